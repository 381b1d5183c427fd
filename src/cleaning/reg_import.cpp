#include "cleaning/reg_import.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vantum::cleaning {

using platform::RegRoot;
using platform::RegValue;

namespace {

constexpr std::uint64_t kMaxFileSize = 256ull << 20;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool ValidKeyPath(std::string_view path) {
    if (path.empty()) return true;
    if (path.front() == '\\' || path.back() == '\\') return false;
    return path.find("\\\\") == std::string_view::npos;
}

// Turns "hex(N):" data into the value type it stands for where that is lossless.
RegValue TypedHexValue(std::string name, std::uint32_t type, std::string bytes) {
    using platform::kRegBinary;
    using platform::kRegDword;
    using platform::kRegExpandSz;
    using platform::kRegMultiSz;
    using platform::kRegSz;
    auto plainText = [&](std::string* text) {
        std::string_view b = bytes;
        if (!b.empty() && b.back() == '\0') b.remove_suffix(1);
        if (b.find('\0') != std::string_view::npos) return false;
        *text = std::string(b);
        return true;
    };
    std::string text;
    if (type == kRegSz && plainText(&text)) return RegValue::String(std::move(name), std::move(text));
    if (type == kRegExpandSz && plainText(&text)) return RegValue::ExpandString(std::move(name), std::move(text));
    if (type == kRegBinary) return RegValue::Binary(std::move(name), std::move(bytes));
    if (type == kRegDword && bytes.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(bytes[i]);
        return RegValue::Dword(std::move(name), n);
    }
    if (type == kRegMultiSz) {
        // Strings each ending in NUL, then one more NUL; "" and a lone NUL are the empty list.
        std::vector<std::string> strings;
        bool ok = false;
        if (bytes.empty() || bytes == std::string(1, '\0')) {
            ok = true;
        } else if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, std::string(2, '\0')) == 0) {
            std::string_view body(bytes.data(), bytes.size() - 1);
            ok = true;
            size_t start = 0;
            while (start < body.size()) {
                size_t nul = body.find('\0', start);
                if (nul == start) {
                    ok = false;  // an empty string inside the list would end it early
                    break;
                }
                strings.emplace_back(body.substr(start, nul - start));
                start = nul + 1;
            }
        }
        if (ok) return RegValue::MultiString(std::move(name), std::move(strings));
    }
    return RegValue::Other(std::move(name), type, std::move(bytes));
}

class Parser {
public:
    Parser(std::string_view text, std::string* error) : s_(text), error_(error) {}

    std::optional<std::vector<RegImportKey>> Run() {
        if (!s_.empty() && s_.back() != '\n') {
            line_ = 1;
            for (char c : s_) line_ += c == '\n';
            return Fail("the file ends in the middle of a line (it may be cut off)");
        }
        if (!Eat("REGEDIT4") || !EatLineEnd()) return Fail("not a REGEDIT4 file (the first line must be \"REGEDIT4\")");
        while (p_ < s_.size()) {
            ++line_;
            SkipBlanks();
            if (EatLineEnd()) continue;
            char c = s_[p_];
            if (c == ';') {
                p_ = s_.find('\n', p_) + 1;
            } else if (c == '[') {
                if (!KeyLine()) return std::nullopt;
            } else if (c == '@' || c == '"') {
                if (keys_.empty()) return Fail("a value before the first key");
                if (!ValueLine()) return std::nullopt;
            } else {
                return Fail("expected a key in [brackets] or a value");
            }
        }
        return std::move(keys_);
    }

private:
    std::optional<std::vector<RegImportKey>> Fail(const std::string& why) {
        if (error_) *error_ = "line " + std::to_string(line_) + ": " + why;
        return std::nullopt;
    }
    bool FailB(const std::string& why) {
        Fail(why);
        return false;
    }
    bool Eat(std::string_view word) {
        if (s_.substr(p_, word.size()) != word) return false;
        p_ += word.size();
        return true;
    }
    void SkipBlanks() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t')) ++p_;
    }
    bool EatLineEnd() {
        if (Eat("\r\n") || Eat("\n")) return true;
        return false;
    }

    bool KeyLine() {
        size_t end = s_.find('\n', p_);
        std::string_view line = s_.substr(p_, end - p_);
        p_ = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (line.size() < 2 || line.back() != ']') return FailB("a key line must end in \"]\"");
        std::string_view inner = line.substr(1, line.size() - 2);
        RegImportKey key;
        if (!inner.empty() && inner.front() == '-') {
            key.remove = true;
            inner.remove_prefix(1);
        }
        size_t slash = inner.find('\\');
        auto root = platform::RootFromName(inner.substr(0, slash));
        if (!root) return FailB("unknown root key \"" + std::string(inner.substr(0, slash)) + "\"");
        key.root = *root;
        if (slash != std::string_view::npos) key.path = std::string(inner.substr(slash + 1));
        if (!ValidKeyPath(key.path)) return FailB("a key name must not be empty");
        if (key.remove && key.path.empty()) return FailB("a root key cannot be deleted");
        keys_.push_back(std::move(key));
        return true;
    }

    // A quoted text; p_ is on the opening quote. Only \\ and \" are escapes; line breaks
    // inside the quotes belong to the text.
    bool Quoted(std::string* out) {
        ++p_;
        while (p_ < s_.size()) {
            char c = s_[p_++];
            if (c == '"') return true;
            if (c == '\n') ++line_;
            if (c == '\\') {
                if (p_ >= s_.size() || (s_[p_] != '\\' && s_[p_] != '"')) return FailB("invalid escape in a quoted text");
                c = s_[p_++];
            }
            *out += c;
        }
        return FailB("a quoted text is not closed");
    }

    // Bytes "XX,XX,..." with "\" line continuations; stops at the line end.
    bool HexBytes(std::string* out) {
        SkipBlanks();
        if (p_ < s_.size() && (s_[p_] == '\r' || s_[p_] == '\n')) return true;  // empty data
        while (true) {
            int hi = p_ < s_.size() ? HexDigit(s_[p_]) : -1;
            if (hi < 0) return FailB("expected a hexadecimal byte");
            ++p_;
            int lo = p_ < s_.size() ? HexDigit(s_[p_]) : -1;
            if (lo >= 0) ++p_;
            out->push_back(static_cast<char>(lo >= 0 ? hi * 16 + lo : hi));
            SkipBlanks();
            if (p_ >= s_.size() || s_[p_] != ',') return true;
            ++p_;
            SkipBlanks();
            if (p_ < s_.size() && s_[p_] == '\\') {
                ++p_;
                SkipBlanks();
                if (!EatLineEnd()) return FailB("text after a line continuation");
                ++line_;
                SkipBlanks();
            }
        }
    }

    bool ValueLine() {
        RegImportValue v;
        std::string name;
        if (s_[p_] == '@') {
            ++p_;
        } else if (!Quoted(&name)) {
            return false;
        }
        SkipBlanks();
        if (!Eat("=")) return FailB("expected \"=\" after the value name");
        SkipBlanks();
        if (Eat("-")) {
            v.remove = true;
            v.value.name = std::move(name);
        } else if (p_ < s_.size() && s_[p_] == '"') {
            std::string text;
            if (!Quoted(&text)) return false;
            v.value = RegValue::String(std::move(name), std::move(text));
        } else if (Eat("dword:")) {
            std::uint32_t n = 0;
            int digits = 0;
            while (p_ < s_.size() && HexDigit(s_[p_]) >= 0) {
                if (++digits > 8) return FailB("a dword has at most 8 hexadecimal digits");
                n = n * 16 + static_cast<std::uint32_t>(HexDigit(s_[p_++]));
            }
            if (digits == 0) return FailB("expected hexadecimal digits after \"dword:\"");
            v.value = RegValue::Dword(std::move(name), n);
        } else if (Eat("hex:")) {
            std::string bytes;
            if (!HexBytes(&bytes)) return false;
            v.value = RegValue::Binary(std::move(name), std::move(bytes));
        } else if (Eat("hex(")) {
            std::uint32_t type = 0;
            int digits = 0;
            while (p_ < s_.size() && HexDigit(s_[p_]) >= 0) {
                if (++digits > 8) return FailB("malformed value type in \"hex(...)\"");
                type = type * 16 + static_cast<std::uint32_t>(HexDigit(s_[p_++]));
            }
            if (digits == 0 || !Eat("):")) return FailB("malformed value type in \"hex(...)\"");
            std::string bytes;
            if (!HexBytes(&bytes)) return false;
            v.value = TypedHexValue(std::move(name), type, std::move(bytes));
        } else {
            return FailB("unknown value data");
        }
        SkipBlanks();
        if (!EatLineEnd()) return FailB("unexpected text after the value");
        keys_.back().values.push_back(std::move(v));
        return true;
    }

    std::string_view s_;
    std::string* error_;
    size_t p_ = 0;
    size_t line_ = 1;
    std::vector<RegImportKey> keys_;
};

// The key's name for a message: a very long path is cut in its middle.
std::string ShortKeyName(const RegImportKey& key) {
    std::string full = std::string(platform::RootName(key.root)) + (key.path.empty() ? "" : "\\" + key.path);
    if (full.size() <= 160) return full;
    return full.substr(0, 100) + "..." + full.substr(full.size() - 50);
}

std::string AndWhy(const std::string& reason) { return reason.empty() ? std::string() : ": " + reason; }

}  // namespace

std::optional<std::vector<RegImportKey>> ParseRegedit4(std::string_view text, std::string* error) {
    return Parser(text, error).Run();
}

bool ApplyRegedit4(platform::RegistryStore& store, const std::vector<RegImportKey>& keys, std::string* error) {
    std::string why;
    bool ok = store.Update([&](platform::RegistryStore& s) {
        for (const auto& key : keys) {
            if (key.remove) {
                s.DeleteKey(key.root, key.path);  // deleting a key that is not there is no error
                continue;
            }
            if (!s.CreateKey(key.root, key.path)) {
                why = "cannot create the key " + ShortKeyName(key) + AndWhy(s.LastError());
                return false;
            }
            for (const auto& v : key.values) {
                if (v.remove) {
                    s.DeleteValue(key.root, key.path, v.value.name);
                } else if (!s.SetValue(key.root, key.path, v.value)) {
                    why = "cannot write a value of " + ShortKeyName(key) + AndWhy(s.LastError());
                    return false;
                }
            }
        }
        return true;
    });
    if (!ok && error) *error = why.empty() ? store.LastError() : why;
    return ok;
}

bool ImportRegistryFile(platform::RegistryStore& store, const std::string& fileName, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) return fail("Cannot open " + fileName + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail(fileName + " is not a file");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) return fail(fileName + " is too large for a registry file");
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return fail("Cannot open " + fileName + ": " + std::strerror(errno));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return fail("Cannot read " + fileName);
    std::string why;
    auto keys = ParseRegedit4(text, &why);
    if (!keys) return fail(fileName + " is not a valid registry file, nothing was imported: " + why);
    if (!ApplyRegedit4(store, *keys, &why)) return fail("Nothing was imported from " + fileName + ": " + why);
    return true;
}

}  // namespace vantum::cleaning
