#include "core/wildcard.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vantum {

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

Wildcard::Wildcard(std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") {
        all_ = true;
        return;
    }
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        bool atEnd = i + 1 == pattern.size();
        char next = atEnd ? '\0' : pattern[i + 1];
        switch (c) {
            case '*': tokens_.push_back({next == '.' ? Op::StarToLastDot : Op::Star, 0}); break;
            case '?': tokens_.push_back({Op::AnyOne, 0}); break;
            case '.':
                tokens_.push_back({atEnd || next == '*' || next == '?' ? Op::DotOrEnd : Op::Literal, '.'});
                break;
            default: tokens_.push_back({Op::Literal, Fold(c)}); break;
        }
    }
}

bool Wildcard::Matches(std::string_view name) const {
    if (all_) return !name.empty();
    if (tokens_.empty() || name.empty()) return false;
    const std::size_t n = name.size();
    // The set of name positions the pattern can have reached; one pass per token.
    // Entry names are at most 255 bytes on the usual file systems: no allocation for them.
    char small[2][258];
    std::vector<char> large;
    char* cur = small[0];
    char* nxt = small[1];
    if (n + 1 > sizeof small[0]) {
        large.resize(2 * (n + 1));
        cur = large.data();
        nxt = large.data() + n + 1;
    }
    std::fill(cur, cur + n + 1, 0);
    cur[0] = 1;
    const std::size_t lastDot = name.rfind('.');  // npos when there is none
    for (const Token& t : tokens_) {
        std::fill(nxt, nxt + n + 1, 0);
        bool any = false;
        switch (t.op) {
            case Op::Literal:
                for (std::size_t p = 0; p < n; ++p)
                    if (cur[p] && Fold(name[p]) == t.ch) nxt[p + 1] = 1, any = true;
                break;
            case Op::Star: {
                std::size_t p = 0;
                while (p <= n && !cur[p]) ++p;
                for (; p <= n; ++p) nxt[p] = 1, any = true;
                break;
            }
            case Op::StarToLastDot:
                for (std::size_t p = 0; p <= n; ++p) {
                    if (!cur[p]) continue;
                    any = true;
                    if (lastDot != std::string_view::npos && lastDot >= p) {
                        nxt[lastDot] = 1;
                    } else {
                        std::fill(nxt + p, nxt + n + 1, 1);
                        break;
                    }
                }
                break;
            case Op::AnyOne:
                for (std::size_t p = 0; p <= n; ++p) {
                    if (!cur[p]) continue;
                    any = true;
                    if (p == n || name[p] == '.') nxt[p] = 1;  // a run of "?" may stop early here
                    else nxt[p + 1] = 1;
                }
                break;
            case Op::DotOrEnd:
                for (std::size_t p = 0; p <= n; ++p) {
                    if (!cur[p]) continue;
                    if (p == n) nxt[p] = 1, any = true;
                    else if (name[p] == '.') nxt[p + 1] = 1, any = true;
                }
                break;
        }
        if (!any) return false;
        std::swap(cur, nxt);
    }
    return cur[n] != 0;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) { return Wildcard(pattern).Matches(name); }

}  // namespace vantum
