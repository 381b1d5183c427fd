#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "prefs/file_types.h"
#include "support/temp_dir.h"

using namespace vantum::prefs;
using vantum::test::ReadFile;
using vantum::test::TempDir;

namespace fs = std::filesystem;

namespace {

std::string Output(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

bool HaveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

// The test's own HOME and XDG folders (set by the test main) hold the files.
XdgFolders Here() { return XdgFolders::FromEnvironment(); }

void Clean(const XdgFolders& f) {
    std::error_code ec;
    fs::remove_all(f.dataHome, ec);
    fs::remove(f.mimeAppsList(), ec);
    fs::create_directories(f.dataHome, ec);
}

}  // namespace

TEST(FileTypes, MimeAppsListReadsAsBeforeAfterUnregistering) {
    const std::string cases[] = {
        "",
        "[Default Applications]\ntext/plain=gedit.desktop\n",
        "[Default Applications]\ntext/plain=gedit.desktop",  // no line break at the end
        "[Added Associations]\nimage/png=eog.desktop;\n",
        "[Added Associations]\nimage/png=eog.desktop;",
        "[Default Applications]\napplication/x-vantum-tree=other.desktop\n\n[Added Associations]\nx/y=z.desktop\n",
        "[Default Applications]\r\ntext/plain=kate.desktop\r\n\r\n",
        "# comment\n\n[Default Applications]\n\n",
    };
    for (const std::string& before : cases) {
        MimeAppsEdit edit = AddDefaults(before);
        EXPECT_NE(edit.text.find("\napplication/x-vantum-tree=vantum.desktop"), std::string::npos) << edit.text;
        EXPECT_NE(edit.text.find("application/x-vantum-encrypted=vantum.desktop"), std::string::npos) << edit.text;
        // The lines stand in [Default Applications], before any later section.
        std::size_t section = edit.text.find("[Default Applications]");
        std::size_t ours = edit.text.find("application/x-vantum-encrypted=");
        std::size_t next = edit.text.find('[', section + 1);
        EXPECT_TRUE(section < ours && (next == std::string::npos || ours < next)) << edit.text;
        EXPECT_EQ(RemoveDefaults(edit.text, edit.record), before) << "record:\n" << edit.record;
    }
    // A line the user changed after registering stays theirs.
    MimeAppsEdit edit = AddDefaults("[Default Applications]\n");
    std::string changed = edit.text;
    changed.replace(changed.find("x-vantum-tree=vantum.desktop") + 14, 14, "mine.desktop");
    EXPECT_EQ(RemoveDefaults(changed, edit.record), "[Default Applications]\napplication/x-vantum-tree=mine.desktop\n");
}

TEST(FileTypes, ExecQuotesTheProgramPath) {
    struct Case {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/usr/bin/vantum", "\"/usr/bin/vantum\""},
        {"/opt/My Apps/Vän tum/vantum", "\"/opt/My Apps/Vän tum/vantum\""},
        {"/a\"b$c`d\\e%f", "\"/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\""},
    };
    for (const Case& c : cases) EXPECT_EQ(QuoteExecArgument(c.path), c.exec) << c.path;
    EXPECT_EQ(QuoteExecArgument("/bad\xff/name"), "") << "not UTF-8";
    EXPECT_EQ(QuoteExecArgument("/new\nline"), "");
    EXPECT_EQ(DesktopEntryText("/bad\xff"), "");
    EXPECT_NE(DesktopEntryText("/opt/My Apps/vantum").find("\nExec=\"/opt/My Apps/vantum\" %f\n"), std::string::npos);

    if (!HaveTool("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is not installed";
    TempDir dir;
    for (const char* program : {"vantum", "/opt/My Apps/Vän tum/vantum", "/a\"b$c`d\\e%f"}) {
        std::string file = dir.write("vantum.desktop", DesktopEntryText(program));
        EXPECT_EQ(Output("desktop-file-validate '" + file + "' 2>&1"), "") << program;
    }
}

TEST(FileTypes, RegisterAndUnregisterWithTheDesktopTools) {
    XdgFolders f = Here();
    Clean(f);
    const std::string before = "[Default Applications]\ntext/plain=gedit.desktop\n\n[Added Associations]\ntext/plain=gedit.desktop;\n";
    fs::create_directories(f.configHome);
    { std::FILE* o = std::fopen(f.mimeAppsList().c_str(), "wb"); std::fputs(before.c_str(), o); std::fclose(o); }
    const std::string program = "/opt/My Apps/Vän tum/vantum";

    RegistrationResult r = RegisterFileTypes(f, program);
    ASSERT_TRUE(r) << r.message;
    EXPECT_TRUE(FileTypesRegistered(f));
    EXPECT_EQ(ReadFile(f.mimePackage()), MimePackageXml());
    EXPECT_NE(ReadFile(f.desktopEntry()).find("Exec=\"/opt/My Apps/Vän tum/vantum\" %f"), std::string::npos);
    EXPECT_NE(ReadFile(f.dataHome + "/mime/globs2").find("application/x-vantum-tree:*.vtr"), std::string::npos)
        << "update-mime-database ran";
    EXPECT_NE(ReadFile(f.dataHome + "/applications/mimeinfo.cache").find("application/x-vantum-encrypted=vantum.desktop"),
              std::string::npos) << "update-desktop-database ran";
    // Registering again (the program moved) keeps one set of our lines.
    ASSERT_TRUE(RegisterFileTypes(f, "/usr/bin/vantum"));
    std::string apps = ReadFile(f.mimeAppsList());
    EXPECT_EQ(apps.find("x-vantum-tree"), apps.rfind("x-vantum-tree"));

    if (HaveTool("xdg-mime")) {
        EXPECT_EQ(Output("xdg-mime query default application/x-vantum-tree"), "vantum.desktop");
        EXPECT_EQ(Output("xdg-mime query default application/x-vantum-encrypted"), "vantum.desktop");
        TempDir docs;
        std::string tree = docs.write("x.vtr", "size tree"), sealed = docs.write("Y.LEC", "sealed");
        EXPECT_EQ(Output("env -u XDG_CURRENT_DESKTOP xdg-mime query filetype '" + tree + "'"), kTreeMimeType);
        EXPECT_EQ(Output("env -u XDG_CURRENT_DESKTOP xdg-mime query filetype '" + sealed + "'"), kEncryptedMimeType);
    }
    ASSERT_TRUE(UnregisterFileTypes(f));
    EXPECT_EQ(ReadFile(f.mimeAppsList()), before) << "byte for byte as before";
    EXPECT_FALSE(fs::exists(f.desktopEntry()));
    EXPECT_FALSE(fs::exists(f.mimePackage()));
    EXPECT_FALSE(fs::exists(f.stateFile()));
    EXPECT_FALSE(FileTypesRegistered(f));
    EXPECT_EQ(ReadFile(f.dataHome + "/mime/globs2").find("x-vantum"), std::string::npos);
    if (HaveTool("xdg-mime")) {
        EXPECT_EQ(Output("xdg-mime query default application/x-vantum-tree"), "");
    }
}

TEST(FileTypes, MimeAppsListThatDidNotExistIsGoneAgain) {
    XdgFolders f = Here();
    Clean(f);
    ASSERT_TRUE(RegisterFileTypes(f, "/usr/bin/vantum", false));
    EXPECT_EQ(ReadFile(f.mimeAppsList()),
              "[Default Applications]\napplication/x-vantum-tree=vantum.desktop\n"
              "application/x-vantum-encrypted=vantum.desktop\n");
    ASSERT_TRUE(UnregisterFileTypes(f, false));
    EXPECT_FALSE(fs::exists(f.mimeAppsList()));
    EXPECT_TRUE(UnregisterFileTypes(f, false)) << "nothing to remove is no failure";
    RegistrationResult bad = RegisterFileTypes(f, "/bad\xff/vantum", false);
    EXPECT_FALSE(bad);
    EXPECT_FALSE(fs::exists(f.desktopEntry()));
}
