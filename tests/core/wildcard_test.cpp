#include "core/wildcard.h"

#include <gtest/gtest.h>

namespace vantum {
namespace {

struct Case {
    const char* pattern;
    const char* name;
    bool match;
};

// The examples of the directory-listing rules, then each rule on its own.
const Case kCases[] = {
    {"*.??$", "setup.ex$", true},
    {"*.??$", "a.b.cd$", true},
    {"*.??$", "x.c$", false},
    {"~*.*", "~abc", true},
    {"~*.*", "~x.doc", true},
    {"vc?0.idb", "vc60.idb", true},
    {"vc?0.idb", "VC70.IDB", true},
    {"vc?0.idb", "vc0.idb", false},
    {"*.?~?", "a.b~c", true},
    {"*.?~?", "a.b~", true},
    {"~.$$$", "~.$$$", true},
    {"~.$$$", "~a.$$$", false},
    {"~.$$$", "~.$$", false},
    {"*.*~", "file.txt~", true},
    {"*.*~", "file~", false},
    // case
    {"*.TMP", "report.tmp", true},
    {"Errorlog.txt", "ERRORLOG.TXT", true},
    // "*" runs over dots; "*.*" and "*" match everything
    {"a*z", "a.b.c.z", true},
    {"*.*", "noextension", true},
    {"*.*", ".hidden", true},
    {"*", "x", true},
    // "*." followed by text binds to the last dot
    {"*.x*", "a.xy.z", false},
    {"*.x*", "a.b.xy", true},
    {"*.tmp", "a.tmp.bak", false},
    {"*.tmp", "a.b.tmp", true},
    {"*.tmp", "tmp", false},
    // ".*" and ".?" also match the end; a pattern's final dot matches names without one
    {"readme.*", "readme", true},
    {"readme.*", "readme.md", true},
    {"readme.???", "readme", true},
    {"readme.???", "readme.txt", true},
    {"readme.???", "readme.text", false},
    {"*.", "Makefile", true},
    {"*.", "a.b", false},
    // a run of "?" stops early only at a dot or the end
    {"???", "ab", true},
    {"???", "abcd", false},
    {"a??.c", "a.c", true},
    {"a?c", "ac", false},
    {"?", "", false},
    {"", "a", false},
};

TEST(Wildcard, DirectoryListingRules) {
    for (const Case& c : kCases) {
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.match) << '"' << c.pattern << "\" vs \"" << c.name << '"';
    }
}

TEST(Wildcard, LongNamesAndBytesOutsideAscii) {
    std::string longName(5000, 'a');
    EXPECT_TRUE(MatchesWildcard("a*p", longName + ".tmp"));
    EXPECT_TRUE(MatchesWildcard("*.tmp", longName + ".tmp"));
    EXPECT_FALSE(MatchesWildcard("*.tmp", longName));
    // Names are bytes: no case folding outside ASCII, and no byte is special.
    EXPECT_TRUE(MatchesWildcard("caf\xc3\xa9.*", "CAF\xc3\xa9.txt"));
    EXPECT_FALSE(MatchesWildcard("caf\xc3\x89", "caf\xc3\xa9"));
    // Many stars stay linear (no backtracking blow-up).
    EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*a*a*b", std::string(3000, 'a')));
}

}  // namespace
}  // namespace vantum
