#include "cleaning/lnk_reader.h"

#include <gtest/gtest.h>

#include "lnk_builder.h"

namespace vantum::cleaning {
namespace {

using test::BuildLnk;
using test::LnkFixture;

LnkFixture Local(std::string base, std::string suffix = "") {
    LnkFixture f;
    f.localBasePath = std::move(base);
    f.commonPathSuffix = std::move(suffix);
    return f;
}

LnkFixture Unc(std::string share, std::string suffix = "") {
    LnkFixture f;
    f.netName = std::move(share);
    f.commonPathSuffix = std::move(suffix);
    return f;
}

template <typename F>
LnkFixture With(LnkFixture f, F change) {
    change(f);
    return f;
}

TEST(ShellLinkTarget, LocalAndNetworkTargets) {
    struct Case {
        const char* what;
        LnkFixture lnk;
        std::string target;
    } cases[] = {
        {"local", Local("C:\\Program Files\\App\\app.exe"), "C:\\Program Files\\App\\app.exe"},
        {"local with suffix", Local("C:\\Data\\", "notes.txt"), "C:\\Data\\notes.txt"},
        {"no id list, no string data", With(Local("C:\\x.txt"), [](LnkFixture& f) { f.idList = f.stringData = false; }),
         "C:\\x.txt"},
        {"unc", Unc("\\\\server\\share", "docs\\report.txt"), "\\\\server\\share\\docs\\report.txt"},
        {"unc share itself", Unc("\\\\server\\share"), "\\\\server\\share"},
        {"mapped drive reads as unc",
         With(Unc("\\\\server\\share", "docs\\report.txt"), [](LnkFixture& f) { f.localBasePath = "Z:\\docs\\report.txt"; }),
         "\\\\server\\share\\docs\\report.txt"},
        {"unicode path wins over the 8-bit one",
         With(Local("C:\\?berall.txt"), [](LnkFixture& f) { f.localBasePathUnicode = u"C:\\\u00dcberall \u6587.txt"; }),
         "C:\\\xc3\x9c" "berall \xe6\x96\x87.txt"},
        {"unicode share name",
         With(Unc("\\\\SRV\\?", "a"), [](LnkFixture& f) { f.netNameUnicode = u"\\\\SRV\\\u00e9t\u00e9"; }),
         "\\\\SRV\\\xc3\xa9t\xc3\xa9\\a"},
        {"linux path stored as is", Local("/home/user/file"), "/home/user/file"},
        {"no link info", LnkFixture(), ""},
        {"link info ignored by ForceNoLinkInfo", With(Local("C:\\x"), [](LnkFixture& f) { f.extraFlags = 0x100; }), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseShellLinkTarget(BuildLnk(c.lnk)), c.target) << c.what;
}

TEST(ShellLinkTarget, DamagedLinksReadAsEmpty) {
    const std::string good = BuildLnk(Local("C:\\Windows\\notepad.exe"));
    ASSERT_EQ(ParseShellLinkTarget(good), "C:\\Windows\\notepad.exe");
    const size_t info = 0x4C + 2 + 8;  // LinkInfo follows the header and the id list

    auto damaged = [&](size_t at, std::string bytes) {
        std::string d = good;
        d.replace(at, bytes.size(), bytes);
        return d;
    };
    struct Case {
        const char* what;
        std::string data;
    } cases[] = {
        {"empty", ""},
        {"text file", "[InternetShortcut]\r\nURL=http://example.org/\r\n"},
        {"header size", damaged(0, std::string("\x4D\0\0\0", 4))},
        {"class id", damaged(4, "\x02")},
        {"id list runs past the end", damaged(0x4C, "\xff\xff")},
        {"link info size past the end", damaged(info, "\xff\xff\x00\x00")},
        {"link info size too small", damaged(info, std::string("\x08\0\0\0", 4))},
        {"base path offset past link info", damaged(info + 16, "\xf0\x01")},
        {"base path without its NUL", [&] {
             // Its NUL and the empty suffix' NUL, the last byte of LinkInfo, overwritten: the
             // string would run on into the data after LinkInfo.
             std::string d = good;
             size_t at = d.find("notepad.exe") + 11;
             d[at] = 'x';
             d[at + 1] = 'y';
             return d;
         }()},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseShellLinkTarget(c.data), "") << c.what;

    // Every truncation is either refused or (once LinkInfo is complete) read right.
    for (size_t n = 0; n < good.size(); ++n) {
        std::string t = ParseShellLinkTarget(std::string_view(good).substr(0, n));
        EXPECT_TRUE(t.empty() || t == "C:\\Windows\\notepad.exe") << n;
        if (n < info + 0x1C) {
            EXPECT_EQ(t, "") << n;
        }
    }
}

}  // namespace
}  // namespace vantum::cleaning
