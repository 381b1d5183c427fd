// vantum-cli diff OLD NEW: the folders that grew and shrank most between two trees.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/tree_input.h"
#include "cli/tree_report.h"
#include "core/size_format.h"
#include "core/tree_diff.h"

namespace vantum::cli {

namespace {

constexpr const char* kUsage = "usage: vantum-cli diff OLD NEW [--top N] [--min SIZE] [--json] [--apparent-size]\n";

// "1048576", "512k", "10M", "1.5G", "2T" (binary units, any case) as megabytes; -1 when bad.
double ParseSize(const std::string& text) {
    if (text.empty()) return -1;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v) || v < 0) return -1;
    std::string unit(end);
    if (unit.size() == 2 && (unit[1] == 'b' || unit[1] == 'B')) unit.pop_back();
    if (unit.size() > 1) return -1;
    const char u = unit.empty() ? 0 : static_cast<char>(unit[0] | 0x20);
    switch (u) {
        case 0: return v / 1048576.0;
        case 'k': return v / 1024.0;
        case 'm': return v;
        case 'g': return v * 1024.0;
        case 't': return v * 1048576.0;
        default: return -1;
    }
}

long long Bytes(double megabytes) { return std::llround(megabytes * 1048576.0); }

std::string Signed(double megabytes) {
    return (megabytes < 0 ? "-" : "+") + FormatSize(std::fabs(megabytes));
}

const char* Status(const FolderChange& c) { return c.IsNew() ? "new" : c.IsGone() ? "gone" : "changed"; }

// Length of the valid UTF-8 sequence at s[i], 0 when there is none.
std::size_t Utf8At(const std::string& s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    std::uint32_t cp = n == 1 ? b : b & (0xFF >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (c & 0x3F);
    }
    static const std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return n;
}

// A JSON string of the bytes; bytes that are not UTF-8 become U+FFFD (lossy is set).
std::string JsonString(const std::string& s, bool& lossy) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
            ++i;
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\u00";
            out += hex[b >> 4];
            out += hex[b & 15];
            ++i;
        } else if (std::size_t n = Utf8At(s, i)) {
            out.append(s, i, n);
            i += n;
        } else {
            out += "\\ufffd";
            lossy = true;
            ++i;
        }
    }
    return out + "\"";
}

std::string JsonPath(const std::string& path) {
    static const char* hex = "0123456789abcdef";
    bool lossy = false;
    std::string out = "\"path\":" + JsonString(path, lossy);
    if (lossy) {
        out += ",\"path_hex\":\"";
        for (unsigned char b : path) {
            out += hex[b >> 4];
            out += hex[b & 15];
        }
        out += '"';
    }
    return out;
}

void PrintJson(const TreeDiff& d, const TSizeTree& older, const TSizeTree& newer,
               const std::vector<const FolderChange*>& grew, const std::vector<const FolderChange*>& shrank) {
    auto top = [](const TSizeTree& t) {
        return "{" + JsonPath(t.Top()->Path()) + ",\"bytes\":" + std::to_string(Bytes(t.Top()->CumulatedSize())) + "}";
    };
    auto list = [](const std::vector<const FolderChange*>& v) {
        std::string out = "[";
        for (std::size_t i = 0; i < v.size(); ++i) {
            const FolderChange& c = *v[i];
            if (i) out += ",";
            out += "\n  {" + JsonPath(c.path) + ",\"old\":" + std::to_string(Bytes(c.oldSize)) +
                   ",\"new\":" + std::to_string(Bytes(c.newSize)) +
                   ",\"change\":" + std::to_string(Bytes(c.newSize) - Bytes(c.oldSize)) + ",\"status\":\"" +
                   Status(c) + "\"}";
        }
        return out + "]";
    };
    std::printf("{\"old\":%s,\n\"new\":%s,\n\"same_top\":%s,\n\"change\":%lld,\n\"grew\":%s,\n\"shrank\":%s}\n",
                top(older).c_str(), top(newer).c_str(), d.sameTop ? "true" : "false",
                Bytes(newer.Top()->CumulatedSize()) - Bytes(older.Top()->CumulatedSize()), list(grew).c_str(),
                list(shrank).c_str());
}

void PrintText(const TreeDiff& d, const TSizeTree& older, const TSizeTree& newer,
               const std::vector<const FolderChange*>& grew, const std::vector<const FolderChange*>& shrank) {
    const TSizeFolder* o = older.Top();
    const TSizeFolder* n = newer.Top();
    std::printf("Old: %s  %s\n", EscapeForTerminal(o->Path()).c_str(), FormatSize(o->CumulatedSize()).c_str());
    std::printf("New: %s  %s\n", EscapeForTerminal(n->Path()).c_str(), FormatSize(n->CumulatedSize()).c_str());
    if (!d.sameTop) std::printf("(different top folders: compared by the paths below them)\n");
    std::printf("Change: %s\n", Signed(n->CumulatedSize() - o->CumulatedSize()).c_str());
    if (d.Empty()) {
        std::printf("No folder changed\n");
        return;
    }
    auto list = [](const char* title, const std::vector<const FolderChange*>& v) {
        if (v.empty()) return;
        std::printf("%s\n", title);
        for (const FolderChange* c : v)
            std::printf("%12s  %s%s\n", Signed(c->Growth()).c_str(), EscapeForTerminal(c->path).c_str(),
                        c->IsNew() ? "  (new)" : c->IsGone() ? "  (gone)" : "");
    };
    list("Grew most:", grew);
    list("Shrank most:", shrank);
}

int Run(const Args& args) {
    std::vector<std::string> trees;
    long top = 10;
    double minMB = 0;
    bool json = false, apparent = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--top" || a == "--min") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "vantum-cli diff: %s needs a value\n", a.c_str());
                return 2;
            }
            const std::string& v = args[++i];
            if (a == "--top") {
                char* end = nullptr;
                top = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end || top < 0 || top > 1000000) {
                    std::fprintf(stderr, "vantum-cli diff: --top needs a number from 0 to 1000000\n");
                    return 2;
                }
            } else if ((minMB = ParseSize(v)) < 0) {
                std::fprintf(stderr, "vantum-cli diff: --min needs a size such as 1048576, 512k, 10M or 1.5G\n");
                return 2;
            }
        } else if (a == "--json") {
            json = true;
        } else if (a == "--apparent-size") {
            apparent = true;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "vantum-cli diff: unknown option %s\n%s", EscapeForTerminal(a).c_str(), kUsage);
            return 2;
        } else {
            trees.push_back(a);
        }
    }
    if (trees.size() != 2 || trees[0].empty() || trees[1].empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (trees[0] == "-" && trees[1] == "-") {
        std::fprintf(stderr, "vantum-cli diff: only one of the trees can come from standard input\n");
        return 2;
    }
    TSizeTree older, newer;
    older.SetApparentSizes(apparent);
    newer.SetApparentSizes(apparent);
    LoadTreeArgument(older, trees[0]);  // errors reach main, which prints them and fails
    LoadTreeArgument(newer, trees[1]);
    if (!older.Top() || !newer.Top()) {
        std::fprintf(stderr, "vantum-cli diff: %s holds no folder\n",
                     EscapeForTerminal(older.Top() ? trees[1] : trees[0]).c_str());
        return 1;
    }
    TreeDiff d = DiffTrees(older, newer);
    auto grew = d.LargestGrowths(static_cast<std::size_t>(top), minMB);
    auto shrank = d.LargestShrinks(static_cast<std::size_t>(top), minMB);
    if (json) PrintJson(d, older, newer, grew, shrank);
    else PrintText(d, older, newer, grew, shrank);
    return 0;
}

const CliCommand reg{"diff",
                     "diff OLD NEW [--top N] [--min SIZE] [--json] [--apparent-size]  -- the N folders (default 10)"
                     " that grew and shrank most, by at least SIZE (bytes, or 512k, 10M, 1.5G); OLD and NEW are each a"
                     " .vtr, an ncdu/gdu JSON export (\"-\": standard input) or a folder scanned now. --json prints"
                     " sizes in bytes; a path that is not UTF-8 also comes as \"path_hex\"",
                     &Run};

}  // namespace

}  // namespace vantum::cli
