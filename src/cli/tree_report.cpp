#include "cli/tree_report.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/size_format.h"

namespace vantum::cli {

namespace {

// Length of the valid UTF-8 sequence starting at s[i] (printable code points only), 0 if none.
size_t Utf8Length(const std::string& s, size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (b >= 0xF5 || n == 0 || i + n > s.size()) return 0;
    std::uint32_t cp = b & (0xFF >> (n + 1));
    for (size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates, C1 controls and values past Unicode are not shown raw.
    static const std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF || (cp >= 0x80 && cp < 0xA0)) return 0;
    // Bidirectional overrides and isolates could reorder what the terminal shows.
    if ((cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069)) return 0;
    return n;
}

}  // namespace

std::string EscapeForTerminal(const std::string& s) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x20 && b < 0x7F) {
            if (b == '\\') out += '\\';
            out += static_cast<char>(b);
            ++i;
        } else if (b == '\n') {
            out += "\\n";
            ++i;
        } else if (b == '\t') {
            out += "\\t";
            ++i;
        } else if (b == '\r') {
            out += "\\r";
            ++i;
        } else if (size_t n = b >= 0x80 ? Utf8Length(s, i) : 0) {
            out.append(s, i, n);
            i += n;
        } else {
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
            ++i;
        }
    }
    return out;
}

void PrintTreeSummary(const TSizeTree& tree, int top, std::FILE* out) {
    const TSizeFolder* t = tree.Top();
    if (!t) {
        std::fprintf(out, "The size tree is empty\n");
        return;
    }
    std::fprintf(out, "%s\n", EscapeForTerminal(t->Path()).c_str());
    std::fprintf(out, "Total: %s\n", FormatSize(t->CumulatedSize()).c_str());
    std::fprintf(out, "Folders: %d\n", tree.CountFolders(t));

    std::vector<const TSizeFolder*> children;
    for (const auto& c : t->SubFolders) children.push_back(c.get());
    std::stable_sort(children.begin(), children.end(), [](const TSizeFolder* a, const TSizeFolder* b) {
        return a->CumulatedSize() > b->CumulatedSize();
    });
    if (top < 0) top = 0;
    if (children.size() > static_cast<std::size_t>(top)) children.resize(static_cast<std::size_t>(top));
    if (children.empty()) return;
    std::fprintf(out, "Largest folders:\n");
    for (const TSizeFolder* c : children)
        std::fprintf(out, "%12s  %s\n", FormatSize(c->CumulatedSize()).c_str(), EscapeForTerminal(c->Name).c_str());
}

}  // namespace vantum::cli
