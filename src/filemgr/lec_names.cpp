#include "filemgr/lec_names.h"

#include <algorithm>
#include <cctype>

namespace vantum {

namespace {

struct Parts {
    std::string folder;  // with its trailing '/', or empty
    std::string stem;    // file name without its extension
    std::string ext;     // from the last dot of the file name, or empty
};

Parts Split(const std::string& path) {
    Parts p;
    const auto slash = path.rfind('/');
    const std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    p.folder = path.substr(0, name_at);
    const std::string name = path.substr(name_at);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) {
        p.stem = name;
    } else {
        p.stem = name.substr(0, dot);
        p.ext = name.substr(dot);
    }
    return p;
}

constexpr char kScrambledDot = '.' ^ kScrambleMask;

// A scrambled extension is empty or the scrambled dot followed by bytes that are no dot.
bool IsScrambledExtension(const std::string& s) {
    return s.empty() || (s[0] == kScrambledDot && s.find(kScrambledDot, 1) == std::string::npos);
}

}  // namespace

std::string ScrambleExtension(const std::string& text) {
    std::string out = text.substr(0, 255);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ kScrambleMask);
    return out;
}

std::string EncryptedCopyName(const std::string& path) {
    const Parts p = Split(path);
    return p.folder + p.stem + "_" + ScrambleExtension(p.ext) + ".lec";
}

std::string EncryptionTarget(const std::string& path,
                             const std::function<bool(const std::string&)>& exists) {
    std::string target = EncryptedCopyName(path);
    if (!exists(target)) return target;
    const std::string folder = Split(path).folder;
    target = folder + "new.lec";
    for (int n = 2; exists(target); ++n) target = folder + "new (" + std::to_string(n) + ").lec";
    return target;
}

std::optional<std::string> DecryptionTarget(const std::string& path) {
    const Parts p = Split(path);
    std::string base, scrambled;
    const auto last = p.stem.rfind('_');
    if (last != std::string::npos) {
        base = p.stem.substr(0, last);
        scrambled = p.stem.substr(last + 1);
        // An extension with a 'p' scrambles to a text with an underscore; the last
        // underscore is then inside the extension. The separator is the underscore before
        // the scrambled dot, which the rest of an extension never holds.
        if (!IsScrambledExtension(scrambled)) {
            const auto dot = p.stem.rfind(kScrambledDot);
            if (dot != std::string::npos && dot > 0 && p.stem[dot - 1] == '_') {
                base = p.stem.substr(0, dot - 1);
                scrambled = p.stem.substr(dot);
            }
        }
    } else {
        // A name without "_" (renamed by hand): the last four bytes are taken as the
        // extension and the byte before them as the separator.
        const std::string without_ext = p.folder + p.stem;
        if (without_ext.size() < 5) return std::nullopt;
        const std::size_t n = p.stem.size();
        scrambled = p.stem.substr(n - std::min<std::size_t>(n, 4));
        base = p.stem.substr(0, n - std::min<std::size_t>(n, 5));
    }
    const std::string name = base + ScrambleExtension(scrambled);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    return p.folder + name;
}

bool LooksEncrypted(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(".lec") != std::string::npos;
}

std::string CommandLineDecryptionTarget(const std::string& argument) {
    return argument.substr(0, argument.size() - std::min<std::size_t>(argument.size(), 4));
}

}  // namespace vantum
