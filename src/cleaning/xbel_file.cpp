#include "cleaning/xbel_file.h"

#include <algorithm>

#include "cleaning/desktop_entry.h"

namespace vantum::cleaning {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(unsigned char c) {
    return c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '-' || c == '.';
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes references in text or an attribute value; nullopt for an unknown or broken one.
std::optional<std::string> DecodeText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) return std::nullopt;
        std::string_view ref = s.substr(i + 1, semi - i - 1);
        if (ref == "amp") out += '&';
        else if (ref == "lt") out += '<';
        else if (ref == "gt") out += '>';
        else if (ref == "quot") out += '"';
        else if (ref == "apos") out += '\'';
        else if (ref.size() >= 2 && ref[0] == '#') {
            bool hex = ref[1] == 'x';
            std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty()) return std::nullopt;
            unsigned long cp = 0;
            for (char c : digits) {
                int d = (c >= '0' && c <= '9') ? c - '0'
                        : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                        : -1;
                if (d < 0) return std::nullopt;
                cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(d);
                if (cp > 0x10FFFF) return std::nullopt;
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
            AppendUtf8(out, cp);
        } else {
            return std::nullopt;
        }
        i = semi;
    }
    return out;
}

struct Attr {
    std::string_view name;
    std::string value;  // decoded
};

class Scanner {
public:
    Scanner(std::string_view s, std::string* error) : s_(s), error_(error) {}

    bool Run(std::vector<XbelBookmark>* out) {
        if (Starts("\xEF\xBB\xBF")) p_ = 3;  // a byte order mark
        bool rootSeen = false;
        std::vector<std::string_view> open;  // names of the open elements
        XbelBookmark* current = nullptr;     // the bookmark being read (depth >= 2)
        bool inTitle = false;
        std::string titleRaw;
        while (p_ < s_.size()) {
            size_t lt = s_.find('<', p_);
            std::string_view text = s_.substr(p_, (lt == std::string_view::npos ? s_.size() : lt) - p_);
            if (!text.empty()) {
                if (open.empty()) {
                    if (!std::all_of(text.begin(), text.end(), IsSpace)) return Fail("text outside the root element");
                } else {
                    if (text.find("]]>") != std::string_view::npos) return Fail("\"]]>\" in text");
                    auto decoded = DecodeText(text);
                    if (!decoded) return Fail("an unknown or broken entity reference");
                    if (inTitle) titleRaw += *decoded;
                }
            }
            if (lt == std::string_view::npos) break;
            Advance(lt);
            if (Starts("<!--")) {
                if (!SkipPast("-->")) return Fail("a comment is not closed");
            } else if (Starts("<![CDATA[")) {
                if (open.empty()) return Fail("CDATA outside the root element");
                size_t start = p_ + 9;
                if (!SkipPast("]]>")) return Fail("a CDATA section is not closed");
                if (inTitle) titleRaw += std::string(s_.substr(start, p_ - 3 - start));
            } else if (Starts("<?")) {
                if (!SkipPast("?>")) return Fail("a processing instruction is not closed");
            } else if (Starts("<!DOCTYPE")) {
                if (rootSeen || !open.empty()) return Fail("a DOCTYPE after the root element");
                size_t gt = s_.find('>', p_);
                size_t bracket = s_.find('[', p_);
                if (gt == std::string_view::npos) return Fail("a DOCTYPE is not closed");
                if (bracket != std::string_view::npos && bracket < gt)
                    return Fail("a DOCTYPE with declarations of its own is not accepted");
                Advance(gt + 1);
            } else if (Starts("</")) {
                Advance(p_ + 2);
                std::string_view name = Name();
                SkipSpaces();
                if (name.empty() || !Starts(">")) return Fail("a malformed end tag");
                Advance(p_ + 1);
                if (open.empty() || open.back() != name) return Fail("an end tag that does not match its start tag");
                open.pop_back();
                if (inTitle && open.size() == 2) {
                    inTitle = false;
                    if (current) current->title = titleRaw;
                }
                if (open.size() == 1 && current && name == "bookmark") {
                    current->end = p_;
                    current = nullptr;
                }
            } else {
                size_t start = p_;
                Advance(p_ + 1);
                std::string_view name = Name();
                if (name.empty()) return Fail("a malformed tag");
                std::vector<Attr> attrs;
                bool selfClosing = false;
                while (true) {
                    bool spaced = SkipSpaces();
                    if (Starts("/>")) {
                        selfClosing = true;
                        Advance(p_ + 2);
                        break;
                    }
                    if (Starts(">")) {
                        Advance(p_ + 1);
                        break;
                    }
                    if (!spaced) return Fail("a malformed tag");
                    std::string_view an = Name();
                    SkipSpaces();
                    if (an.empty() || !Starts("=")) return Fail("a malformed attribute");
                    Advance(p_ + 1);
                    SkipSpaces();
                    if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return Fail("an attribute value without quotes");
                    char q = s_[p_];
                    size_t close = s_.find(q, p_ + 1);
                    if (close == std::string_view::npos) return Fail("an attribute value is not closed");
                    std::string_view raw = s_.substr(p_ + 1, close - p_ - 1);
                    if (raw.find('<') != std::string_view::npos) return Fail("\"<\" in an attribute value");
                    auto value = DecodeText(raw);
                    if (!value) return Fail("an unknown or broken entity reference");
                    for (const auto& a : attrs)
                        if (a.name == an) return Fail("an attribute appears twice");
                    attrs.push_back({an, std::move(*value)});
                    Advance(close + 1);
                }
                if (open.empty()) {
                    if (rootSeen) return Fail("a second root element");
                    if (name != "xbel") return Fail("the root element is not <xbel>");
                    rootSeen = true;
                }
                auto attr = [&](std::string_view n) {
                    for (const auto& a : attrs)
                        if (a.name == n) return a.value;
                    return std::string();
                };
                if (open.size() == 1 && name == "bookmark") {
                    XbelBookmark b;
                    b.begin = start;
                    b.href = attr("href");
                    if (auto path = LocalPathOfFileUrl(b.href)) b.target = *path;
                    b.added = attr("added");
                    b.modified = attr("modified");
                    b.visited = attr("visited");
                    out->push_back(std::move(b));
                    current = &out->back();
                    if (selfClosing) {
                        current->end = p_;
                        current = nullptr;
                    }
                } else if (current && name.size() >= 9 && name.substr(name.size() - 9) == "mime-type") {
                    current->mimeType = attr("type");
                } else if (current && open.size() == 2 && name == "title" && !selfClosing) {
                    inTitle = true;
                    titleRaw.clear();
                }
                if (!selfClosing) {
                    if (open.size() >= kMaxDepth) return Fail("elements are nested too deeply");
                    open.push_back(name);
                }
            }
        }
        if (!open.empty()) return Fail("the file ends inside <" + std::string(open.back()) + ">");
        if (!rootSeen) return Fail("no <xbel> element");
        return true;
    }

private:
    static constexpr size_t kMaxDepth = 256;

    bool Fail(const std::string& why) {
        if (error_) *error_ = "line " + std::to_string(line_) + ": " + why;
        return false;
    }
    bool Starts(std::string_view w) const { return s_.substr(p_, w.size()) == w; }
    // Moves to pos, counting the lines passed.
    void Advance(size_t pos) {
        line_ += static_cast<size_t>(std::count(s_.begin() + static_cast<std::ptrdiff_t>(p_),
                                                s_.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
        p_ = pos;
    }
    bool SkipPast(std::string_view end) {
        size_t at = s_.find(end, p_);
        if (at == std::string_view::npos) return false;
        Advance(at + end.size());
        return true;
    }
    bool SkipSpaces() {
        size_t q = p_;
        while (q < s_.size() && IsSpace(s_[q])) ++q;
        bool any = q != p_;
        Advance(q);
        return any;
    }
    std::string_view Name() {
        size_t q = p_;
        while (q < s_.size() && IsNameChar(static_cast<unsigned char>(s_[q]))) ++q;
        std::string_view n = s_.substr(p_, q - p_);
        p_ = q;
        return n;
    }

    std::string_view s_;
    std::string* error_;
    size_t p_ = 0;
    size_t line_ = 1;
};

}  // namespace

std::optional<XbelDocument> ParseXbel(std::string bytes, std::string* error) {
    if (bytes.size() > kXbelMaxBytes) {
        if (error) *error = "the file is larger than " + std::to_string(kXbelMaxBytes >> 20) + " MB";
        return std::nullopt;
    }
    XbelDocument doc;
    doc.bytes = std::move(bytes);
    std::string_view s = doc.bytes;
    if (!Scanner(s, error).Run(&doc.bookmarks)) return std::nullopt;
    for (auto& b : doc.bookmarks) {
        b.cutBegin = b.begin;
        b.cutEnd = b.end;
        size_t lineStart = b.begin;
        while (lineStart > 0 && (s[lineStart - 1] == ' ' || s[lineStart - 1] == '\t')) --lineStart;
        size_t lineEnd = b.end;
        while (lineEnd < s.size() && (s[lineEnd] == ' ' || s[lineEnd] == '\t' || s[lineEnd] == '\r')) ++lineEnd;
        bool ownsLine = (lineStart == 0 || s[lineStart - 1] == '\n') && lineEnd < s.size() && s[lineEnd] == '\n';
        if (ownsLine) {
            b.cutBegin = lineStart;
            b.cutEnd = lineEnd + 1;
        }
    }
    return doc;
}

std::string XbelWithout(const XbelDocument& doc, const std::vector<size_t>& indexes) {
    std::vector<bool> drop(doc.bookmarks.size(), false);
    for (size_t i : indexes)
        if (i < drop.size()) drop[i] = true;
    std::string out;
    out.reserve(doc.bytes.size());
    size_t from = 0;
    for (size_t i = 0; i < doc.bookmarks.size(); ++i) {
        if (!drop[i]) continue;
        const auto& b = doc.bookmarks[i];
        out.append(doc.bytes, from, b.cutBegin - from);
        from = b.cutEnd;
    }
    out.append(doc.bytes, from, std::string::npos);
    return out;
}

}  // namespace vantum::cleaning
