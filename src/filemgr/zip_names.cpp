#include "filemgr/zip_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "filemgr/zip_archive.h"

namespace vantum {

bool IsStoredSuffix(const std::string& name) {
    static constexpr std::array<std::string_view, 17> kStored = {
        "gif", "png", "z", "zip", "zoo", "arc", "lzh", "arj", "taz",
        "tgz", "lha", "rar", "ace", "cab", "gz", "gzip", "jar"};
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string suffix = name.substr(dot + 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kStored.begin(), kStored.end(), suffix) != kStored.end();
}

bool IsValidUtf8(const std::string& text) {
    std::size_t i = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    while (i < n) {
        const unsigned char c = s[i];
        int extra;
        unsigned cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr unsigned kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::vector<std::string> SafeEntryComponents(const std::string& name, std::string& why) {
    why.clear();
    std::vector<std::string> parts;
    if (name.empty()) {
        why = "empty name";
        return {};
    }
    if (name.front() == '/') {
        why = "absolute name";
        return {};
    }
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
        why = "drive letter";
        return {};
    }
    for (unsigned char c : name) {
        if (c == '\\') {
            why = "backslash in name";
            return {};
        }
        if (c < 0x20 || c == 0x7F) {
            why = "control character in name";
            return {};
        }
    }
    std::size_t start = 0;
    while (start < name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part == "..") {
            why = "\"..\" in name";
            return {};
        }
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        start = end + 1;
    }
    if (parts.empty()) why = "empty name";
    return parts;
}

bool LinkStaysInside(const std::vector<std::string>& folders, const std::string& target) {
    if (target.empty() || target.front() == '/') return false;
    long depth = static_cast<long>(folders.size());
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos) end = target.size();
        const std::string_view part(target.data() + start, end - start);
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace vantum
