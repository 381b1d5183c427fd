// The ini file class: reading files as other tools write them, writing in place, saving safely.
#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using vantum::settings::IniFile;
using vantum::test::ReadFile;
using vantum::test::TempDir;

namespace {

TEST(IniFileRead, ToleratesWhatOtherToolsWrite) {
    // Comments of both kinds, blanks around "=", CRLF mixed with LF, keys before the first
    // section, a line without "=", and no final line end.
    IniFile ini = IniFile::FromText(
        "orphan=1\r\n"
        "; comment\r\n"
        "# another = comment\n"
        "\n"
        "  [ Bounds ]  \r\n"
        "  width = 1024  \r\n"
        "no equals sign here\n"
        "\tleft\t=\t7\n"
        "[Empty]\n"
        "[LastDir]\n"
        "Start with=/home/u/My Files");
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), 1024);
    EXPECT_EQ(ini.ReadInteger("Bounds", "left", 100), 7);
    EXPECT_EQ(ini.ReadString("LastDir", "Start with"), "/home/u/My Files");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Bounds", "Empty", "LastDir"}));
    EXPECT_EQ(ini.ReadSection("bounds"), (std::vector<std::string>{"width", "left"}));
    EXPECT_FALSE(ini.ValueExists("Bounds", "no equals sign here"));
    EXPECT_TRUE(ini.SectionExists("Empty"));
    EXPECT_TRUE(ini.ReadSection("Empty").empty());
    EXPECT_FALSE(ini.ValueExists("Bounds", "orphan"));
    EXPECT_FALSE(ini.SectionExists("another"));
}

TEST(IniFileRead, NamesCompareWithoutCase) {
    IniFile ini = IniFile::FromText("[Splash]\nShow=1\n");
    EXPECT_TRUE(ini.ReadBool("SPLASH", "show", false));
    EXPECT_TRUE(ini.SectionExists("splash"));
    ASSERT_TRUE(ini.WriteBool("splash", "SHOW", false));
    // The key keeps its spelling where it stands.
    EXPECT_EQ(ini.Text(), "[Splash]\nShow=0\n");
}

TEST(IniFileRead, IntegersAndBooleans) {
    struct Case { const char* value; int expected; };
    const Case cases[] = {
        {"1024", 1024}, {"-5", -5}, {"+7", 7}, {" 12 ", 12}, {"0", 0},
        {"abc", 900}, {"12x", 900}, {"1.5", 900}, {"", 900}, {"0x10", 900}, {"+-1", 900},
        {"2147483647", 2147483647}, {"2147483648", 900}, {"-2147483649", 900},
        {"99999999999999999999999", 900},
    };
    for (const Case& c : cases) {
        IniFile ini = IniFile::FromText(std::string("[Bounds]\nwidth=") + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), c.expected) << "value '" << c.value << "'";
    }
    IniFile ini = IniFile::FromText("[S]\na=1\nb=0\nc=-3\nd=true\ne=\n");
    EXPECT_TRUE(ini.ReadBool("S", "a", false));
    EXPECT_FALSE(ini.ReadBool("S", "b", true));
    EXPECT_TRUE(ini.ReadBool("S", "c", false));   // any non-zero value
    EXPECT_FALSE(ini.ReadBool("S", "d", false));  // not an integer: the default
    EXPECT_TRUE(ini.ReadBool("S", "d", true));
    EXPECT_TRUE(ini.ReadBool("S", "e", true));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
    EXPECT_EQ(ini.ReadString("S", "missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nope", "a", "dflt"), "dflt");
}

TEST(IniFileRead, DuplicatesFirstWinsAndWritingChangesTheFirst) {
    IniFile ini = IniFile::FromText(
        "[Bounds]\nwidth=800\nwidth=700\n[Other]\nx=1\n[BOUNDS]\nwidth=600\nheight=300\n");
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 0), 800);
    // A key only in the repeated section is still found.
    EXPECT_EQ(ini.ReadInteger("Bounds", "height", 0), 300);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Bounds", "Other"}));
    EXPECT_EQ(ini.ReadSection("Bounds"), (std::vector<std::string>{"width", "height"}));
    ASSERT_EQ(ini.ReadSectionValues("Bounds").size(), 4u);
    ASSERT_TRUE(ini.WriteInteger("Bounds", "width", 1));
    EXPECT_EQ(ini.Text(), "[Bounds]\nwidth=1\nwidth=700\n[Other]\nx=1\n[BOUNDS]\nwidth=600\nheight=300\n");
    ini.EraseSection("bounds");
    EXPECT_EQ(ini.Text(), "[Other]\nx=1\n");
}

TEST(IniFileRead, BinaryJunkReadsAsDefaultsAndIsKept) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += char((i * 131 + 7) % 256);
    junk += std::string("\0[\xff]\n=\n[", 8);
    IniFile ini = IniFile::FromText(junk);
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), 900);
    ASSERT_TRUE(ini.WriteInteger("Bounds", "width", 5));
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), 5);
    EXPECT_EQ(ini.Text().substr(0, junk.size()), junk);
}

TEST(IniFileWrite, ReplacesInPlaceAppendsToSectionAndAddsSectionsAtTheEnd) {
    IniFile ini = IniFile::FromText(
        "; settings\r\n[Bounds]\r\nleft = 100\r\n\r\n[Switches]\r\nSort=0\r\n");
    ASSERT_TRUE(ini.WriteInteger("Bounds", "left", 20));
    ASSERT_TRUE(ini.WriteInteger("Bounds", "top", 30));
    ASSERT_TRUE(ini.WriteString("LastDir", "Start with", "/data"));
    // The file's own line ends are used for new lines; comments and blank lines stay.
    EXPECT_EQ(ini.Text(),
              "; settings\r\n[Bounds]\r\nleft=20\r\ntop=30\r\n\r\n[Switches]\r\nSort=0\r\n"
              "[LastDir]\r\nStart with=/data\r\n");
    EXPECT_EQ(ini.ReadString("LastDir", "Start with"), "/data");
}

TEST(IniFileWrite, MissingFinalLineEndIsMendedBeforeAppending) {
    IniFile ini = IniFile::FromText("[A]\nx=1");
    ASSERT_TRUE(ini.WriteString("A", "y", "2"));
    ASSERT_TRUE(ini.WriteString("B", "z", "3"));
    EXPECT_EQ(ini.Text(), "[A]\nx=1\ny=2\n[B]\nz=3\n");
}

TEST(IniFileWrite, NonUtf8BytesSurvive) {
    const std::string path = "/data/caf\xe9/\xff\xfe";
    IniFile ini = IniFile::FromText("[R\xe9sum\xe9]\nk\xe9y=v\xe9\n");
    EXPECT_EQ(ini.ReadString("R\xe9sum\xe9", "k\xe9y"), "v\xe9");
    ASSERT_TRUE(ini.WriteString("LastDir", "Start with", path));
    IniFile again = IniFile::FromText(ini.Text());
    EXPECT_EQ(again.ReadString("LastDir", "Start with"), path);
    EXPECT_EQ(again.ReadString("R\xe9sum\xe9", "k\xe9y"), "v\xe9");
}

TEST(IniFileWrite, RefusesWhatWouldNotReadBack) {
    IniFile ini = IniFile::FromText("[A]\nx=1\n");
    const std::string before = ini.Text();
    EXPECT_FALSE(ini.WriteString("A", "x", "two\nlines"));       // would inject a line
    EXPECT_FALSE(ini.WriteString("A", "x", "cr\rhere"));
    EXPECT_FALSE(ini.WriteString("A", "x", std::string("n\0ul", 4)));
    EXPECT_FALSE(ini.WriteString("A", "x", " padded"));
    EXPECT_FALSE(ini.WriteString("A", "k=v", "1"));
    EXPECT_FALSE(ini.WriteString("A", "", "1"));
    EXPECT_FALSE(ini.WriteString("A", ";k", "1"));
    EXPECT_FALSE(ini.WriteString("A]", "k", "1"));
    EXPECT_FALSE(ini.WriteString("", "k", "1"));
    EXPECT_EQ(ini.Text(), before);
    EXPECT_FALSE(ini.modified());
    EXPECT_TRUE(ini.WriteString("A", "x", ""));  // an empty value is fine
    EXPECT_EQ(ini.Text(), "[A]\nx=\n");
}

TEST(IniFileWrite, DeleteKeyRemovesEveryCopy) {
    IniFile ini = IniFile::FromText("[A]\nx=1\ny=2\nX=3\n[B]\nx=4\n");
    ini.DeleteKey("a", "x");
    EXPECT_EQ(ini.Text(), "[A]\ny=2\n[B]\nx=4\n");
    ini.DeleteKey("A", "missing");
    ini.EraseSection("missing");
    EXPECT_EQ(ini.Text(), "[A]\ny=2\n[B]\nx=4\n");
}

TEST(IniFileWrite, EditsLeaveTheSameStateAsReparsingTheText) {
    // Random writes, deletions and erasures; after each, what the object answers must be what
    // a fresh reading of its text answers.
    IniFile ini = IniFile::FromText("; head\n[A]\nx=1\n\n[B]\ny=2\n[a]\nz=3\n");
    unsigned seed = 12345;
    auto next = [&](unsigned n) { seed = seed * 1103515245u + 12345u; return (seed >> 16) % n; };
    const char* sections[] = {"A", "b", "C", "d"};
    for (int step = 0; step < 400; ++step) {
        const std::string sec = sections[next(4)];
        const std::string key = "k" + std::to_string(next(6));
        switch (next(10)) {
            case 0: ini.EraseSection(sec); break;
            case 1: case 2: ini.DeleteKey(sec, key); break;
            default: ASSERT_TRUE(ini.WriteInteger(sec, key, step));
        }
        const IniFile fresh = IniFile::FromText(ini.Text());
        ASSERT_EQ(ini.ReadSections(), fresh.ReadSections()) << "step " << step;
        for (const std::string& name : fresh.ReadSections())
            ASSERT_EQ(ini.ReadSectionValues(name), fresh.ReadSectionValues(name)) << "step " << step;
    }
}

// --- files on disk ---------------------------------------------------------------------

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(IniFileSave, CreatesAMissingFileAndRoundTrips) {
    TempDir dir;
    const std::string path = dir / "Vantu.ini";
    IniFile ini(path);
    EXPECT_EQ(ini.state(), IniFile::State::Missing);
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), 900);
    ASSERT_TRUE(ini.WriteInteger("Bounds", "width", 1200));
    ASSERT_TRUE(ini.Save()) << ini.Save().message;
    EXPECT_EQ(ReadFile(path), "[Bounds]\nwidth=1200\n");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"Vantu.ini"});  // no temp left

    IniFile again(path);
    EXPECT_EQ(again.state(), IniFile::State::Loaded);
    EXPECT_EQ(again.ReadInteger("Bounds", "width", 900), 1200);
}

TEST(IniFileSave, UnchangedFileIsNotRewritten) {
    TempDir dir;
    const std::string path = dir.write("Vantu.ini", "[A]\r\nx = 1\r\n");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    IniFile ini(path);
    ASSERT_TRUE(ini.WriteString("A", "x", "1"));  // the same value
    EXPECT_FALSE(ini.modified());
    ASSERT_TRUE(ini.Save());
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx = 1\r\n");
}

TEST(IniFileSave, ReplacesTheFileWholeKeepingModeAndLink) {
    TempDir dir;
    const std::string real = dir.write("real/Vantu.ini", "[A]\nx=1\n");
    ::chmod(real.c_str(), 0640);
    const std::string link = dir / "Vantu.ini";
    fs::create_symlink(real, link);
    IniFile ini(link);
    ASSERT_TRUE(ini.WriteString("A", "x", "2"));
    ASSERT_TRUE(ini.Save());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "[A]\nx=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniFileSave, FullDiskLeavesTheOldFileIntact) {
    TempDir dir;
    const std::string old = "[A]\nx=1\n";
    const std::string path = dir.write("Vantu.ini", old);
    IniFile ini(path);
    ASSERT_TRUE(ini.WriteString("A", "big", std::string(64 * 1024, 'z')));

    // A file size limit makes write() fail part way, as a full disk does.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    vantum::settings::IniResult r = ini.Save();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"Vantu.ini"});
    EXPECT_TRUE(ini.modified());  // still unsaved: a later Save may succeed
}

TEST(IniFileSave, FileThatCannotBeReplacedIsReported) {
    TempDir dir;
    // A folder where the file should be: opening reads nothing, renaming over it fails.
    const std::string path = dir.mkdir("Vantu.ini");
    dir.write("Vantu.ini/keep", "x");
    IniFile ini(path);
    EXPECT_EQ(ini.state(), IniFile::State::Unreadable);
    EXPECT_FALSE(ini.loadError().empty());
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), 900);
    ASSERT_TRUE(ini.WriteInteger("Bounds", "width", 1));
    EXPECT_FALSE(ini.Save().ok);
    EXPECT_EQ(ReadFile(dir / "Vantu.ini/keep"), "x");
}

TEST(IniFileSave, UnreadableFileIsNeitherReadNorReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempDir dir;
    const std::string path = dir.write("Vantu.ini", "[Bounds]\nwidth=1234\n");
    ::chmod(path.c_str(), 0);
    IniFile ini(path);
    EXPECT_EQ(ini.state(), IniFile::State::Unreadable);
    EXPECT_EQ(ini.ReadInteger("Bounds", "width", 900), 900);
    ASSERT_TRUE(ini.WriteInteger("Bounds", "left", 1));
    vantum::settings::IniResult r = ini.Save();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Permission denied"), std::string::npos) << r.message;
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(ReadFile(path), "[Bounds]\nwidth=1234\n");
}

TEST(IniFileSave, MissingFolderIsReportedNotCreated) {
    TempDir dir;
    IniFile ini(dir / "no/such/Vantu.ini");
    ASSERT_TRUE(ini.WriteInteger("A", "x", 1));
    vantum::settings::IniResult r = ini.Save();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Could not write"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "no"));
}

// The temporary file beside the target must fit the file-name limit too.
TEST(IniFileWrite, SavesToTheLongestFileName) {
    TempDir dir;
    const std::string file = dir / (std::string(NAME_MAX - 4, 'n') + ".ini");
    IniFile ini(file);
    ASSERT_TRUE(ini.WriteString("A", "k", "v"));
    const auto saved = ini.Save();
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(ReadFile(file), "[A]\nk=v\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
