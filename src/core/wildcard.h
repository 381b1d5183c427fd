#pragma once
// File-name patterns with the classic directory-listing rules, shared by every search of the
// program (file search, temp-file types):
//  - letters compare without regard to case (ASCII);
//  - "*" matches any run, dots included; "*.*" matches every name;
//  - "?" matches one character, but at a dot or the end of the name a run of "?" may match
//    fewer, down to none;
//  - "." followed by "*" or "?", or ending the pattern, matches a dot or the end of the name
//    (so "x.*" also matches "x", and "*." matches names without a dot);
//  - "*" followed by "." stops at the last dot of the name ("*.x*" does not match "a.xy.z").
// Patterns are matched against a whole entry name, never a path.

#include <string>
#include <string_view>
#include <vector>

namespace vantum {

class Wildcard {
public:
    explicit Wildcard(std::string_view pattern);
    bool Matches(std::string_view name) const;
    bool MatchesEverything() const { return all_; }
    bool Empty() const { return tokens_.empty() && !all_; }

private:
    enum class Op : char { Literal, Star, StarToLastDot, AnyOne, DotOrEnd };
    struct Token {
        Op op;
        char ch;  // Literal only, folded to lower case
    };
    std::vector<Token> tokens_;
    bool all_ = false;
};

// One-off form of the above.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace vantum
