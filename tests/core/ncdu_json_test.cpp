#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/ncdu_json_reader.h"
#include "core/ncdu_json_writer.h"
#include "core/scan.h"
#include "core/tree_file.h"
#include "support/temp_dir.h"

using namespace vantum;
using namespace vantum::test;

namespace {

constexpr double kMiB = 1048576.0;

double Bytes(const TSizeFolder* f) { return f->CumulatedSize() * kMiB; }

// Runs a command line through the shell; its standard output, or "" with a failure.
std::string Sh(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = ::pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd << "\n" << out;
    return out;
}

bool Have(const char* program) { return std::system((std::string("command -v ") + program + " >/dev/null").c_str()) == 0; }

// A folder with files, an empty folder, a nested one and a hard link across folders.
void MakeFixture(const TempDir& d) {
    d.write("top/a.txt", std::string(5000, 'a'));
    d.write("top/sub/deep/b.bin", std::string(70000, 'b'));
    d.write("top/sub/c", "c");
    d.mkdir("top/empty");
    ASSERT_EQ(::link((d / "top/sub/deep/b.bin").c_str(), (d / "top/linked").c_str()), 0);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Every folder of a branch with its path and cumulated bytes, in pre-order.
std::vector<std::pair<std::string, double>> Folders(const TSizeFolder* top) {
    std::vector<std::pair<std::string, double>> out;
    std::vector<const TSizeFolder*> stack{top};
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        out.emplace_back(f->Path(), Bytes(f));
        for (const auto& c : f->SubFolders) stack.push_back(c.get());
    }
    std::sort(out.begin(), out.end());
    return out;
}

const std::string kSmall =
    "[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\",\"timestamp\":1},\n"
    "[{\"name\":\"/srv\",\"asize\":4096,\"dsize\":4096,\"dev\":9},\n"
    "{\"name\":\"f\",\"asize\":10,\"dsize\":4096},\n"
    "[{\"name\":\"d\",\"asize\":4096,\"dsize\":4096},{\"name\":\"g\",\"asize\":3,\"dsize\":4096}]]]\n";

}  // namespace

TEST(NcduJsonReader, ReadsSizesOfEitherKindAndCountsHardLinksOnce) {
    const std::string json =
        "[1,2,{},[{\"name\":\"/srv/\",\"asize\":100,\"dsize\":4096,\"dev\":1},"
        "{\"name\":\"h1\",\"asize\":1000,\"dsize\":8192,\"ino\":5,\"hlnkc\":true,\"nlink\":2},"
        "[{\"name\":\"d\",\"asize\":50,\"dsize\":4096},"
        " {\"name\":\"h2\",\"asize\":1000,\"dsize\":8192,\"ino\":5,\"hlnkc\":true,\"nlink\":2},"
        " {\"name\":\"other-dev\",\"asize\":7,\"dsize\":4096,\"dev\":2,\"ino\":5,\"hlnkc\":true},"
        " {\"name\":\"sock\",\"asize\":0,\"notreg\":true}],"
        "{\"name\":\"skipped\",\"excluded\":\"pattern\"},"
        "[{\"name\":\"gone\",\"excluded\":\"otherfs\"},{\"name\":\"x\",\"dsize\":999999}],"
        "[{\"name\":\"locked\",\"asize\":4096,\"dsize\":4096,\"read_error\":true}]]]";
    for (bool apparent : {false, true}) {
        SCOPED_TRACE(apparent);
        TSizeTree tree;
        tree.SetApparentSizes(apparent);
        ReadNcduJson(tree, json);
        const TSizeFolder* top = tree.Top();
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->Path(), "/srv/");
        ASSERT_EQ(top->SubFolderCount(), 2) << "the excluded directory is left out";
        const TSizeFolder* d = top->GetSubFolder(0);
        const TSizeFolder* locked = top->GetSubFolder(1);
        EXPECT_EQ(d->Path(), "/srv/d");
        EXPECT_EQ(d->ReadError, 0);
        EXPECT_EQ(locked->ReadError, kImportedReadError);
        // h2 is h1 again (same dev, inherited); other-dev is another file.
        EXPECT_EQ(top->FilesSize * kMiB, apparent ? 1100 : 4096 + 8192);
        EXPECT_EQ(d->FilesSize * kMiB, apparent ? 57 : 8192);
        EXPECT_EQ(Bytes(top), apparent ? 1100 + 57 + 4096 : 4096 + 8192 + 8192 + 4096);
        EXPECT_EQ(tree.LinkOwners.size(), 2u);
    }
}

TEST(NcduJsonReader, KeepsNamesAsBytes) {
    // Escapes decoded; raw bytes that are not UTF-8 kept; a lone surrogate kept as its bytes.
    const std::string json = std::string("[1,1,{},[{\"name\":\"/t\"},") +
                             "[{\"name\":\"a\\\"\\\\\\b\\f\\n\\r\\t\\u001b\\u00e9\\ud83d\\ude00\"}],"
                             "[{\"name\":\"raw\xff\xfe\"}],[{\"name\":\"\\ud800z\"}]]]";
    TSizeTree tree;
    ReadNcduJson(tree, json);
    ASSERT_EQ(tree.Top()->SubFolderCount(), 3);
    EXPECT_EQ(tree.Top()->GetSubFolder(0)->Name, "a\"\\\b\f\n\r\t\x1b\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(tree.Top()->GetSubFolder(1)->Name, "raw\xff\xfe");
    EXPECT_EQ(tree.Top()->GetSubFolder(2)->Name, "\xed\xa0\x80z");
    // And they come back the same through the writer.
    TSizeTree back;
    ReadNcduJson(back, NcduJsonText(tree));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(back.Top()->GetSubFolder(i)->Name, tree.Top()->GetSubFolder(i)->Name);
}

TEST(NcduJsonReader, RefusesBadInputNamingTheOffset) {
    struct Case {
        std::string json, message;
        std::uint64_t offset;
    };
    const std::string head = "[1,2,{},[{\"name\":\"/t\"},";  // 23 bytes
    const std::vector<Case> cases = {
        {"", "not an ncdu export", 0},
        {"{}", "not an ncdu export", 0},
        {"\xbfncduEX1", "binary export", 0},
        {"[2,0,{},[{\"name\":\"/\"}]]", "export format 2.0 is not supported", 1},
        {"[1,10001,{},[{\"name\":\"/\"}]]", "\"minor version\" out of range", 3},
        {head + "{\"name\":\"f\",\"dsize\":-5}]]", "negative \"dsize\"", 43},
        {head + "{\"name\":\"f\",\"asize\":9223372036854775808}]]", "\"asize\" out of range", 43},
        {head + "{\"name\":\"f\",\"asize\":99999999999999999999999}]]", "\"asize\" out of range", 43},
        {head + "{\"name\":\"f\",\"asize\":1.5}]]", "not a whole number", 43},
        {head + "{\"name\":\"f\",\"asize\":\"1\"}]]", "is not a number", 43},
        {head + "{\"name\":\"f\",\"hlnkc\":1}]]", "expected true or false", 43},
        {head + "{\"asize\":1}]]", "without a \"name\"", 33},
        {head + "[{\"name\":\"..\"}]]]", "invalid directory name", 36},
        {head + "[{\"name\":\"a/b\"}]]]", "invalid directory name", 37},
        {head + "[{\"name\":\"\"}]]]", "invalid directory name", 34},
        {head + "[{\"name\":\"a\\u0000\"}]]]", "invalid directory name", 41},
        {head + "{\"name\":\"a\nb\"}]]", "control byte in a string", 34},
        {head + "{\"name\":\"a\\x\"}]]", "bad escape", 35},
        {head + "{\"name\":\"f\"} {\"name\":\"g\"}]]", "expected ',' or ']'", 36},
        {head + "5]]", "expected a file ('{') or a directory ('[')", 23},
        {head + "{\"name\":\"f\"}]] x", "unexpected data after the export", 38},
        {"[1,2,{},[{\"name\":\"/t\"}]]]", "unexpected data after the export", 24},
        {"[1,2,{\"a\":tru},[{\"name\":\"/t\"}]]", "bad literal", 13},
        {"[1,2,{},[{\"name\":\"/t\",\"asize\":9223372036854775807},"
         "{\"name\":\"f\",\"asize\":9223372036854775807}]]",
         "beyond 8 EiB", 91},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        TSizeTree tree;
        tree.SetApparentSizes(true);
        try {
            ReadNcduJson(tree, c.json);
            ADD_FAILURE() << "accepted";
        } catch (const NcduJsonError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("byte " + std::to_string(e.offset())), std::string::npos);
            EXPECT_EQ(e.offset(), c.offset) << e.what();
        }
        EXPECT_EQ(tree.Top(), nullptr) << "nothing of a refused export stays";
    }
}

TEST(NcduJsonReader, RefusesEveryTruncation) {
    for (std::size_t n = 0; n < kSmall.size(); ++n) {
        // The last byte is a newline: without it the export is still whole.
        std::string cut = kSmall.substr(0, n);
        bool whole = n == kSmall.size() - 1;
        TSizeTree tree;
        try {
            ReadNcduJson(tree, cut);
            EXPECT_TRUE(whole) << "accepted a cut at " << n;
        } catch (const NcduJsonError& e) {
            EXPECT_FALSE(whole) << e.what();
            EXPECT_LE(e.offset(), n) << e.what();
            if (n > 0) {
                EXPECT_NE(std::string(e.what()).find("unexpected end"), std::string::npos) << n << ": " << e.what();
            }
            EXPECT_EQ(tree.Root->SubFolderCount(), 0);
        }
    }
}

TEST(NcduJsonReader, ReadsAndWritesAHundredThousandLevels) {
    constexpr int kDepth = 100000;
    std::string json = "[1,2,{},[{\"name\":\"/deep\",\"dsize\":1}";
    for (int i = 0; i < kDepth; ++i) json += ",[{\"name\":\"d\",\"dsize\":1}";
    json += ",{\"name\":\"f\",\"dsize\":10}";
    json.append(kDepth + 1, ']');
    json += ']';
    TSizeTree tree;
    ReadNcduJson(tree, json);
    EXPECT_EQ(Bytes(tree.Top()), kDepth + 1 + 10);
    EXPECT_EQ(tree.CountFolders(tree.Top()), kDepth);
    TSizeTree back;
    ReadNcduJson(back, NcduJsonText(tree));
    EXPECT_EQ(Bytes(back.Top()), kDepth + 1 + 10);
    EXPECT_EQ(back.CountFolders(back.Top()), kDepth);
    // Deep metadata is skipped without recursion too.
    std::string meta = "[1,2," + std::string(kDepth, '[') + std::string(kDepth, ']') + ",[{\"name\":\"/m\"}]]";
    TSizeTree m;
    ReadNcduJson(m, meta);
    EXPECT_EQ(m.Top()->Path(), "/m");
}

TEST(NcduJsonReader, ReadsFilesAndStandardInputWithTheNameInErrors) {
    TempDir d;
    WriteText(d / "ok.json", kSmall);
    WriteText(d / "bad.json", kSmall.substr(0, 40));
    TSizeTree tree;
    LoadNcduJson(tree, d / "ok.json");
    EXPECT_EQ(Bytes(tree.Top()), 4096 * 4);
    EXPECT_TRUE(LooksLikeNcduJson(d / "ok.json"));
    TSizeTree bad;
    try {
        LoadNcduJson(bad, d / "bad.json");
        ADD_FAILURE();
    } catch (const NcduJsonError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("\"" + d / "bad.json" + "\": ncdu JSON, byte 40", 0), 0u) << e.what();
    }
    EXPECT_THROW(LoadNcduJson(bad, d / "missing.json"), FileError);
    EXPECT_THROW(LoadNcduJson(bad, d.path()), FileError);
    // A pipe, read chunk by chunk.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string big = "[1,2,{},[{\"name\":\"/p\"}";
    for (int i = 0; i < 20000; ++i) big += ",[{\"name\":\"folder" + std::to_string(i) + "\",\"dsize\":4096}]";
    big += "]]";
    pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        ssize_t ignored = ::write(fds[1], big.data(), big.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    TSizeTree piped;
    ReadNcduJson(piped, fds[0]);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(piped.CountFolders(piped.Top()), 20000);
    EXPECT_EQ(Bytes(piped.Top()), 20000.0 * 4096);
}

TEST(NcduJsonReader, TreeFileAndNcduExportOfOneFolderGiveTheSameTotals) {
    if (!Have("ncdu")) GTEST_SKIP() << "ncdu is not installed (scripts/packages.txt)";
    TempDir d;
    MakeFixture(d);
    const std::string top = d / "top";
    Sh("ncdu --ignore-config -x -o '" + d / "top.json" + "' '" + top + "'");
    for (bool apparent : {false, true}) {
        SCOPED_TRACE(apparent);
        TSizeTree scanned;
        ScanOptions options;
        options.apparentSizes = apparent;
        Scan(scanned, top, options, NullProgress());
        SaveToFile(scanned, d / "top.vtr");
        TSizeTree saved, imported;
        LoadFromFile(saved, d / "top.vtr");
        imported.SetApparentSizes(apparent);
        LoadNcduJson(imported, d / "top.json");
        EXPECT_EQ(Bytes(imported.Top()), Bytes(saved.Top()));
        EXPECT_EQ(imported.CountFolders(imported.Top()), saved.CountFolders(saved.Top()));
        EXPECT_EQ(imported.Top()->Path(), top);
    }
}

TEST(NcduJsonWriter, NcduAndGduShowTheTreesTotals) {
    if (!Have("ncdu") || !Have("gdu")) GTEST_SKIP() << "ncdu and gdu are not installed (scripts/packages.txt)";
    TempDir d;
    MakeFixture(d);
    d.write("top/sub/name \"with\" \\ and\nnewline/x", std::string(3000, 'x'));
    d.write(std::string("top/bytes\xff\x01/y"), "y");
    TSizeTree tree;
    Scan(tree, d / "top", ScanOptions{}, NullProgress());
    const std::string out = d / "out.json";
    SaveNcduJson(tree, out);

    // ncdu reads it and exports it again: the same folders with the same totals.
    Sh("ncdu --ignore-config -f '" + out + "' -o '" + d / "again.json" + "'");
    TSizeTree again;
    LoadNcduJson(again, d / "again.json");
    EXPECT_EQ(Folders(again.Top()), Folders(tree.Top()));

    // gdu's own total (every folder here has at least 4096 bytes of its own on disk).
    std::string total = Sh("gdu --no-prefix -n -s -p -f '" + out + "'");
    EXPECT_EQ(std::stoll(total), static_cast<long long>(Bytes(tree.Top()))) << total;
    // gdu's export of the same folder reads with gdu's total.
    Sh("gdu -o '" + d / "gdu.json" + "' '" + d / "top" + "' >/dev/null 2>&1");
    TSizeTree fromGdu;
    LoadNcduJson(fromGdu, d / "gdu.json");
    std::string gduTotal = Sh("gdu --no-prefix -n -s -p -f '" + d / "gdu.json" + "'");
    EXPECT_EQ(std::stoll(gduTotal), static_cast<long long>(Bytes(fromGdu.Top()))) << gduTotal;
}

TEST(NcduJsonWriter, ReplacesAFileOnlyWhenCompleteAndRefusesAllDrives) {
    TempDir d;
    WriteText(d / "keep.json", "old");
    TSizeTree empty;
    EXPECT_THROW(SaveNcduJson(empty, d / "keep.json"), std::invalid_argument);
    TSizeTree all;
    all.Root->AddSubFolder(kAllDrives)->AddSubFolder("/");
    EXPECT_THROW(SaveNcduJson(all, d / "keep.json"), std::invalid_argument);
    EXPECT_EQ(ReadFile(d / "keep.json"), "old");
    TSizeTree tree;
    ReadNcduJson(tree, kSmall);
    EXPECT_THROW(SaveNcduJson(tree, d / "no-such-folder/x.json"), FileError);
    SaveNcduJson(tree, d / "keep.json");
    TSizeTree back;
    LoadNcduJson(back, d / "keep.json");
    EXPECT_EQ(Folders(back.Top()), Folders(tree.Top()));
}
