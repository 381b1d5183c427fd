#include "cleaning/desktop_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using test::TempDir;

TEST(DesktopEntryTarget, ProgramUrlOrFolder) {
    TempDir dir;
    std::string bin = dir.mkdir("bin");
    std::string tool = dir.write("bin/tool", "#!/bin/sh\n");
    ::chmod(tool.c_str(), 0755);
    dir.write("bin/plain", "not executable");
    dir.mkdir("bin/folder");
    const std::string path = "/nonexistent/bin:relative/bin:" + bin;

    struct Case {
        const char* what;
        std::string entry;
        std::string target;
    } cases[] = {
        {"absolute program", "[Desktop Entry]\nType=Application\nExec=/opt/app/run --flag %U\n", "/opt/app/run"},
        {"program on PATH", "[Desktop Entry]\nExec=tool %f\n", tool},
        {"not on PATH stays bare", "[Desktop Entry]\nExec=missing-tool\n", "missing-tool"},
        {"not executable is not found", "[Desktop Entry]\nExec=plain\n", "plain"},
        {"folder is not a program", "[Desktop Entry]\nExec=folder\n", "folder"},
        {"quoted with blanks", "[Desktop Entry]\nExec=\"/opt/My App/run \\\\\"x\\\\\"\" %u\n", "/opt/My App/run \"x\""},
        {"string escape \\s separates", "[Desktop Entry]\nExec=/opt/tool\\s--flag\n", "/opt/tool"},
        {"env prefix", "[Desktop Entry]\nExec=env LANG=C GDK_BACKEND=x11 tool --x\n", tool},
        {"blanks around =, CRLF", "[Desktop Entry]\r\nExec = /usr/bin/x \r\n", "/usr/bin/x"},
        {"web link", "[Desktop Entry]\nType=Link\nURL=https://example.org/a\n", "https://example.org/a"},
        {"file link", "[Desktop Entry]\nType=Link\nURL=file:///srv/a%20b/c\n", "/srv/a b/c"},
        {"folder only", "[Desktop Entry]\nPath=/srv/work\n", "/srv/work"},
        {"Exec wins over Path", "[Desktop Entry]\nPath=/srv\nExec=/bin/true\n", "/bin/true"},
        {"other groups ignored",
         "# comment\n[Desktop Action new]\nExec=/decoy\n[Desktop Entry]\nName=x\n[Other]\nURL=http://decoy\n", ""},
        {"localized keys ignored", "[Desktop Entry]\nExec[de]=/decoy\n", ""},
        {"empty Exec", "[Desktop Entry]\nExec=\nURL=https://x.org\n", "https://x.org"},
        {"not an entry", "\x7f" "ELF binary junk", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DesktopEntryTarget(c.entry, path), c.target) << c.what;
}

TEST(LocalPathOfFileUrl, LocalFormsOnly) {
    EXPECT_EQ(LocalPathOfFileUrl("file:///a/b%C3%A9"), "/a/b\xc3\xa9");
    EXPECT_EQ(LocalPathOfFileUrl("FILE://localhost/x"), "/x");
    EXPECT_EQ(LocalPathOfFileUrl("file:/x%2"), std::nullopt);
    EXPECT_EQ(LocalPathOfFileUrl("file:/x"), "/x");
    EXPECT_EQ(LocalPathOfFileUrl("file://server/share/x"), std::nullopt);
    EXPECT_EQ(LocalPathOfFileUrl("file:relative"), std::nullopt);
    EXPECT_EQ(LocalPathOfFileUrl("smb://server/share"), std::nullopt);
}

}  // namespace
}  // namespace vantum::cleaning
