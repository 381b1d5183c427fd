// Packing and unpacking real archives, checked against Info-ZIP and 7-Zip.
#include "filemgr/zip_archive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "filemgr/packed_originals.h"
#include "filemgr/zip_names.h"
#include "filemgr/zip_test_util.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using vantum::AddToArchive;
using vantum::ExtractArchive;
using vantum::ZipPackOptions;
using vantum::ZipResult;
using vantum::ZipUnpackOptions;
using vantum::test::Quote;
using vantum::test::RawEntry;
using vantum::test::ReadFile;
using vantum::test::RunShell;
using vantum::test::TempDir;

const std::string kLatin1Name = "caf\xe9.txt";  // not UTF-8

std::string LinkTarget(const std::string& path) {
    std::error_code ec;
    return fs::read_symlink(path, ec).string();
}

mode_t Mode(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// A folder with what a user's folder holds: nested files, an empty folder, a hidden file,
// a link, an executable, a name that is not UTF-8 and one that is, an already-compressed file.
std::string MakeFixture(const TempDir& dir) {
    dir.write("docs/readme.txt", std::string(5000, 'r'));
    dir.write("docs/sub/deep/notes.md", "notes");
    dir.write("docs/.hidden", "h");
    dir.write("docs/" + kLatin1Name, "latin1");
    dir.write("docs/\xc3\xbc" "ber.txt", "utf8");
    dir.write("docs/picture.PNG", std::string(3000, 'p'));
    dir.mkdir("docs/empty");
    const std::string tool = dir.write("docs/tool.sh", "#!/bin/sh\n");
    chmod(tool.c_str(), 0750);
    symlink("readme.txt", (dir / "docs/link").c_str());
    return dir / "docs";
}

TEST(ZipArchive, RoundTripKeepsNamesModesLinksAndReadsInInfoZip) {
    TempDir dir;
    const std::string docs = MakeFixture(dir);
    const std::string archive = dir / "out.zip";
    ZipPackOptions pack;
    pack.level = 9;
    ZipResult r = AddToArchive(archive, {docs}, pack);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.files, 8);

    vantum::test::Shell t = RunShell("unzip -t " + Quote(archive));
    EXPECT_EQ(t.status, 0) << t.output;
    const std::string info = RunShell("zipinfo " + Quote(archive)).output;
    EXPECT_NE(info.find("lrwxrwxrwx"), std::string::npos) << info;
    EXPECT_NE(info.find("-rwxr-x---"), std::string::npos) << info;
    EXPECT_NE(info.find("stor 26"), std::string::npos);  // the PNG (and the link) stored

    ZipUnpackOptions unpack;
    r = ExtractArchive(archive, dir / "x", unpack);
    ASSERT_TRUE(r.ok) << r.message << (r.problems.empty() ? "" : r.problems[0]);
    EXPECT_EQ(RunShell("diff -r --no-dereference " + Quote(docs) + " " + Quote(dir / "x/docs")).status, 0);
    EXPECT_EQ(ReadFile(dir / ("x/docs/" + kLatin1Name)), "latin1");
    EXPECT_EQ(LinkTarget(dir / "x/docs/link"), "readme.txt");
    EXPECT_EQ(Mode(dir / "x/docs/tool.sh") & 0777, 0750u);
    EXPECT_TRUE(fs::is_directory(dir / "x/docs/empty"));

    // Info-ZIP's unzip reads the same tree back.
    t = RunShell("cd " + Quote(dir.path()) + " && mkdir u && cd u && unzip -q ../out.zip");
    EXPECT_EQ(t.status, 0) << t.output;
    EXPECT_EQ(RunShell("diff -r --no-dereference " + Quote(docs) + " " + Quote(dir / "u/docs")).status, 0);
}

TEST(ZipArchive, FlatPacksBareNamesAndRefusesTwoFilesOfOneName) {
    TempDir dir;
    dir.write("a/x.txt", "1");
    dir.write("a/sub/y.txt", "2");
    ZipPackOptions flat;
    flat.withFolderNames = false;
    ZipResult r = AddToArchive(dir / "flat.zip", {dir / "a"}, flat);
    ASSERT_TRUE(r.ok) << r.message;
    std::string msg;
    EXPECT_EQ(vantum::ListArchive(dir / "flat.zip", msg), (std::vector<std::string>{"y.txt", "x.txt"}));

    dir.write("b/sub/x.txt", "other");
    flat.withFolderNames = false;
    flat.move = true;
    r = AddToArchive(dir / "clash.zip", {dir / "a", dir / "b"}, flat);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("\"x.txt\""), std::string::npos) << r.message;
    EXPECT_FALSE(fs::exists(dir / "clash.zip"));
    EXPECT_EQ(ReadFile(dir / "a/x.txt"), "1");
    EXPECT_EQ(ReadFile(dir / "b/sub/x.txt"), "other");
}

TEST(ZipArchive, PasswordGivesAesThat7ZipReadsAndIsWipedAfterTheCall) {
    TempDir dir;
    const std::string file = dir.write("secret.txt", "top secret");
    const std::string archive = dir / "aes.zip";
    ZipPackOptions pack;
    pack.password = "pass word";
    ASSERT_TRUE(AddToArchive(archive, {file}, pack).ok);
    EXPECT_TRUE(pack.password.empty());
    vantum::test::Shell t = RunShell("7z t -p'pass word' " + Quote(archive));
    EXPECT_EQ(t.status, 0) << t.output;
    EXPECT_NE(RunShell("7z l -slt " + Quote(archive)).output.find("AES-256"), std::string::npos);
    EXPECT_NE(RunShell("7z t -pwrong " + Quote(archive)).status, 0);

    const struct {
        std::string password;
        std::string problem;
    } cases[] = {{"", "needs a password"}, {"wrong", "wrong password"}, {"pass word", ""}};
    for (const auto& c : cases) {
        ZipUnpackOptions unpack;
        unpack.password = c.password;
        const std::string into = dir / ("out-" + c.password);
        ZipResult r = ExtractArchive(archive, into, unpack);
        EXPECT_TRUE(unpack.password.empty());
        if (c.problem.empty()) {
            EXPECT_TRUE(r.ok);
            EXPECT_EQ(ReadFile(into + "/secret.txt"), "top secret");
        } else {
            ASSERT_EQ(r.problems.size(), 1u) << c.password;
            EXPECT_EQ(r.problems[0], "secret.txt: " + c.problem);
            EXPECT_FALSE(fs::exists(into + "/secret.txt"));
        }
    }
}

TEST(ZipArchive, UnpacksWhatInfoZipAnd7ZipWrite) {
    TempDir dir;
    const std::string docs = MakeFixture(dir);
    for (const std::string tool : {"zip -qry z.zip docs", "7z a -tzip -snl z.zip docs"}) {
        fs::remove(dir / "z.zip");
        fs::remove_all(dir / "out");
        vantum::test::Shell t = RunShell("cd " + Quote(dir.path()) + " && " + tool);
        ASSERT_EQ(t.status, 0) << tool << t.output;
        ZipUnpackOptions unpack;
        ZipResult r = ExtractArchive(dir / "z.zip", dir / "out", unpack);
        EXPECT_TRUE(r.ok) << tool << r.message << (r.problems.empty() ? "" : r.problems[0]);
        t = RunShell("diff -r --no-dereference " + Quote(docs) + " " + Quote(dir / "out/docs"));
        EXPECT_EQ(t.status, 0) << tool << t.output;
    }
}

TEST(ZipArchive, HostileEntriesAreRefusedByNameAndNothingLandsOutside) {
    const struct {
        const char* what;
        std::vector<RawEntry> entries;
        const char* refused;  // entry named in the problem
    } cases[] = {
        {"dot-dot", {{"../evil.txt", "x"}}, "../evil.txt"},
        {"nested dot-dot", {{"a/../../evil.txt", "x"}}, "a/../../evil.txt"},
        {"absolute", {{"/tmp/evil.txt", "x"}}, "/tmp/evil.txt"},
        {"backslash", {{"..\\evil.txt", "x"}}, "..\\evil.txt"},
        {"drive letter", {{"C:/evil.txt", "x"}}, "C:/evil.txt"},
        {"link out", {{"up", "../", true}}, "up"},
        {"absolute link", {{"etc", "/etc", true}}, "etc"},
        {"write through a link", {{"in", ".", true}, {"in/evil.txt", "x"}}, "in/evil.txt"},
        {"through a link made of a folder's name", {{"d", "sub", true}, {"d/evil.txt", "x"}}, "d/evil.txt"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string archive = dir / "bad.zip";
        ASSERT_TRUE(vantum::test::WriteRawArchive(archive, c.entries)) << c.what;
        ZipUnpackOptions unpack;
        unpack.overwrite = true;
        ZipResult r = ExtractArchive(archive, dir / "t/target", unpack);
        EXPECT_FALSE(r.ok) << c.what;
        bool named = false;
        for (const std::string& p : r.problems) named |= p.rfind(std::string(c.refused) + ": ", 0) == 0;
        EXPECT_TRUE(named) << c.what << ": " << (r.problems.empty() ? r.message : r.problems[0]);
        EXPECT_FALSE(fs::exists(dir / "t/evil.txt")) << c.what;
        EXPECT_FALSE(fs::exists(dir / "evil.txt")) << c.what;
        EXPECT_FALSE(fs::exists(dir / "t/target/evil.txt")) << c.what;
    }
}

TEST(ZipArchive, ALinkAlreadyInTheTargetIsNeverFollowed) {
    TempDir dir;
    dir.write("outside/keep.txt", "keep");
    dir.mkdir("target");
    symlink((dir / "outside").c_str(), (dir / "target/d").c_str());
    symlink((dir / "outside/keep.txt").c_str(), (dir / "target/f.txt").c_str());
    const std::string archive = dir / "a.zip";
    ASSERT_TRUE(vantum::test::WriteRawArchive(archive, {{"d/keep.txt", "evil"}, {"f.txt", "evil"}}));
    ZipUnpackOptions unpack;
    unpack.overwrite = true;
    ZipResult r = ExtractArchive(archive, dir / "target", unpack);
    EXPECT_EQ(ReadFile(dir / "outside/keep.txt"), "keep");
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].rfind("d/keep.txt: ", 0), 0u) << r.problems[0];
    // The link at f.txt itself is replaced by the file; its target stays as it was.
    EXPECT_FALSE(fs::is_symlink(dir / "target/f.txt"));
    EXPECT_EQ(ReadFile(dir / "target/f.txt"), "evil");
}

TEST(ZipArchive, DuplicateNamesAndBombsAreRefused) {
    TempDir dir;
    const std::string dup = dir / "dup.zip";
    ASSERT_TRUE(vantum::test::WriteRawArchive(dup, {{"aaaa.txt", "first"}, {"aaab.txt", "second"}}));
    ASSERT_TRUE(vantum::test::PatchBytes(dup, "aaab.txt", "aaaa.txt"));
    ZipUnpackOptions unpack;
    unpack.overwrite = true;
    ZipResult r = ExtractArchive(dup, dir / "d", unpack);
    ASSERT_EQ(r.problems.size(), 1u) << r.message;
    EXPECT_EQ(r.problems[0], "aaaa.txt: a second entry of the same name");
    EXPECT_EQ(ReadFile(dir / "d/aaaa.txt"), "first");

    // An entry that declares 16 bytes but inflates to a megabyte is cut off and removed.
    const std::string bomb = dir / "bomb.zip";
    {
        int err = 0;
        zip_t* za = zip_open(bomb.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        static const std::string zeros(1 << 20, '\0');
        zip_file_add(za, "zeros", zip_source_buffer(za, zeros.data(), zeros.size(), 0), 0);
        ASSERT_EQ(zip_close(za), 0);
    }
    // Uncompressed size 0x00100000 in both headers becomes 0x00000010.
    ASSERT_TRUE(vantum::test::PatchBytes(bomb, std::string("\x00\x00\x10\x00\x05\x00", 6), std::string("\x10\x00\x00\x00\x05\x00", 6)));
    r = ExtractArchive(bomb, dir / "b", unpack);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(fs::exists(dir / "b/zeros"));
    EXPECT_LE(fs::file_size(bomb), 4096u);
}

TEST(ZipArchive, ArchivesAreRecognisedByOpeningThem) {
    TempDir dir;
    dir.write("notes.zip", "just text, named like an archive");
    dir.write("payload.txt", "x");
    ZipPackOptions pack;
    ASSERT_TRUE(AddToArchive(dir / "data.jar", {dir / "payload.txt"}, pack).ok);
    std::string full = ReadFile(dir / "data.jar");
    std::ofstream(dir / "cut.zip", std::ios::binary) << full.substr(0, full.size() - 30);
    dir.write("nothing-in-it.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));

    const struct {
        std::string name;
        std::string message;
    } cases[] = {
        {"missing.zip", "File not found"},
        {"notes.zip", dir / "notes.zip: not a zip archive"},
        {"cut.zip", dir / "cut.zip: not a zip archive"},
        {"nothing-in-it.zip", "The Zip file is empty"},
        {"data.jar", ""},
    };
    for (const auto& c : cases) {
        ZipUnpackOptions unpack;
        ZipResult r = ExtractArchive(dir / c.name, "", unpack);
        EXPECT_EQ(r.message, c.message) << c.name;
        EXPECT_EQ(r.ok, c.message.empty()) << c.name;
    }
    // An empty target is a folder beside the archive, named after it.
    EXPECT_EQ(ReadFile(dir / "data/payload.txt"), "x");
}

TEST(ZipArchive, OverwriteReplacesOnlyWhenAsked) {
    TempDir dir;
    const std::string file = dir.write("src/f.txt", "new");
    ZipPackOptions pack;
    pack.withFolderNames = false;
    ASSERT_TRUE(AddToArchive(dir / "a.zip", {file}, pack).ok);
    dir.write("t/f.txt", "old");
    ZipUnpackOptions unpack;
    ZipResult r = ExtractArchive(dir / "a.zip", dir / "t", unpack);
    EXPECT_EQ(r.problems, std::vector<std::string>{"f.txt: exists already; kept"});
    EXPECT_EQ(ReadFile(dir / "t/f.txt"), "old");
    unpack.overwrite = true;
    r = ExtractArchive(dir / "a.zip", dir / "t", unpack);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(ReadFile(dir / "t/f.txt"), "new");
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir / "t")) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"f.txt"});  // no temporary file behind
}

struct CancelAfter : vantum::ProgressSink {
    int polls;
    explicit CancelAfter(int n) : polls(n) {}
    bool AbortRequested() override { return --polls < 0; }
};

TEST(ZipArchive, MoveDeletesOriginalsOnlyAfterTheArchiveIsWhole) {
    TempDir dir;
    dir.write("d/a.txt", std::string(200000, 'a'));
    dir.write("d/sub/b.txt", "b");
    symlink("a.txt", (dir / "d/l").c_str());

    // A move that cannot finish leaves every original where it was.
    ZipPackOptions pack;
    pack.move = true;
    ZipResult r = AddToArchive(dir / "no/such/folder/x.zip", {dir / "d"}, pack);
    EXPECT_FALSE(r.ok);
    CancelAfter cancel(1);
    r = AddToArchive(dir / "c.zip", {dir / "d"}, pack, cancel);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(fs::exists(dir / "c.zip"));
    EXPECT_EQ(ReadFile(dir / "d/sub/b.txt"), "b");
    EXPECT_EQ(LinkTarget(dir / "d/l"), "a.txt");
    EXPECT_EQ(fs::file_size(dir / "d/a.txt"), 200000u);

    r = AddToArchive(dir / "m.zip", {dir / "d"}, pack);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.removed, 3);
    EXPECT_FALSE(fs::exists(dir / "d"));  // emptied folders go too
    EXPECT_EQ(RunShell("unzip -tq " + Quote(dir / "m.zip")).status, 0);
}

TEST(ZipArchive, MoveFolderToArchiveNeverPacksTheArchiveIntoItself) {
    TempDir dir;
    dir.write("Data/a.txt", "a");
    dir.write("Data/sub/b.txt", "b");
    ZipResult r = vantum::MoveFolderToArchive(dir / "Data", 4);
    ASSERT_TRUE(r.ok) << r.message;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir / "Data")) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"Data_vti.zip"});

    // Again, with the archive lying in the folder: it adds the new file, never itself.
    dir.write("Data/c.txt", "c");
    r = vantum::MoveFolderToArchive(dir / "Data/", 4);
    ASSERT_TRUE(r.ok) << r.message;
    std::string msg;
    const auto names = vantum::ListArchive(dir / "Data/Data_vti.zip", msg);
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/", "sub/b.txt", "c.txt"}));
    EXPECT_EQ(RunShell("unzip -tq " + Quote(dir / "Data/Data_vti.zip")).status, 0);
}

TEST(ZipArchive, ProtectedFoldersAreNeverMovedIntoAnArchive) {
    const std::string home = std::getenv("HOME");  // the test's own
    const std::string keep = home + "/keep.txt";
    std::ofstream(keep) << "k";
    for (const std::string& folder : {home, home + "/.config", home + "/../" + fs::path(home).filename().string()}) {
        const ZipResult r = vantum::MoveFolderToArchive(folder, 4);
        EXPECT_NE(r.message.find("a protected folder"), std::string::npos) << folder << ": " << r.message;
    }
    EXPECT_TRUE(vantum::IsProtectedFolder("/"));
    EXPECT_TRUE(vantum::IsProtectedFolder("/usr/../etc"));
    EXPECT_TRUE(vantum::IsProtectedFolder("/proc"));  // a mount point as well
    EXPECT_EQ(ReadFile(keep), "k");
    EXPECT_FALSE(fs::exists(home + "/" + fs::path(home).filename().string() + "_vti.zip"));
    fs::remove(keep);
}

TEST(ZipNames, SuffixesAndEntryNames) {
    for (const char* stored : {"a.gif", "B.PNG", "x.tar.gz", "c.Z", "d.jar", "e.gzip"})
        EXPECT_TRUE(vantum::IsStoredSuffix(stored)) << stored;
    for (const char* packed : {"a.txt", "gif", "dir.zip/file", "a.zipx"})
        EXPECT_FALSE(vantum::IsStoredSuffix(packed)) << packed;
    std::string why;
    EXPECT_EQ(vantum::SafeEntryComponents("a/./b//c", why), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(vantum::SafeEntryComponents("dir/", why), (std::vector<std::string>{"dir"}));
    EXPECT_TRUE(vantum::SafeEntryComponents(std::string("a\x01" "b"), why).empty());
    EXPECT_TRUE(vantum::LinkStaysInside({"a", "b"}, "../c"));
    EXPECT_TRUE(vantum::LinkStaysInside({"a"}, "../c"));
    EXPECT_FALSE(vantum::LinkStaysInside({"a"}, "../../c"));
    EXPECT_FALSE(vantum::LinkStaysInside({}, "x/../../c"));
    EXPECT_TRUE(vantum::IsValidUtf8("\xc3\xbc"));
    EXPECT_FALSE(vantum::IsValidUtf8("\xe9"));
    EXPECT_FALSE(vantum::IsValidUtf8("\xc0\xaf"));  // overlong "/"
}

}  // namespace

namespace {

TEST(ZipArchive, CodePageNamesFromDosAndNamesWithNul) {
    TempDir dir;
    const std::string archive = dir / "dos.zip";
    {
        int err = 0;
        zip_t* za = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        const zip_int64_t i = zip_file_add(za, "M\x81ller.txt", zip_source_buffer(za, "m", 1, 0), ZIP_FL_ENC_RAW);
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_DOS, 0);
        zip_file_add(za, "aXb.txt", zip_source_buffer(za, "n", 1, 0), ZIP_FL_ENC_RAW);
        ASSERT_EQ(zip_close(za), 0);
    }
    ASSERT_TRUE(vantum::test::PatchBytes(archive, "aXb.txt", std::string("a\0b.txt", 7)));
    ZipUnpackOptions unpack;
    const ZipResult r = ExtractArchive(archive, dir / "out", unpack);
    EXPECT_EQ(ReadFile(dir / "out/M\xc3\xbcller.txt"), "m");  // CP437 0x81 is u-umlaut
    // libzip reads a NUL inside a name as a blank: the file stays a plain file in the target.
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(ReadFile(dir / "out/a b.txt"), "n");
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir / "out"), fs::recursive_directory_iterator()), 2);
}

}  // namespace
