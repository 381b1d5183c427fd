#pragma once
// The desktop's list of recently used files (recently-used.xbel): its <bookmark> entries read
// from the raw bytes, and entries removed by cutting exactly their bytes out, so that every
// other element, attribute, comment and blank stays as it was.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantum::cleaning {

struct XbelBookmark {
    std::string href;      // the URI as written, with XML references decoded
    std::string target;    // the local path of a file: URI (bytes, percent-decoded); else empty
    std::string title;     // <title> text, decoded; may be empty
    std::string mimeType;  // type of <mime:mime-type>, empty when absent
    std::string added, modified, visited;  // ISO 8601 times as written
    size_t begin = 0, end = 0;             // byte span of the element in the file
    size_t cutBegin = 0, cutEnd = 0;       // with the blanks and line end around it, when the
                                           // element has its line(s) to itself
};

struct XbelDocument {
    std::string bytes;
    std::vector<XbelBookmark> bookmarks;
};

// Files larger than this are refused rather than read.
inline constexpr size_t kXbelMaxBytes = 64u << 20;

// Checks that the text is well-formed XML with an <xbel> root and lists the root's <bookmark>
// children. DOCTYPEs with an internal subset (entity declarations) and unknown entity
// references are refused: only the five predefined entities and character references are read.
// Nullopt with the reason (naming the line) in *error.
std::optional<XbelDocument> ParseXbel(std::string bytes, std::string* error);

// The text without the bookmarks at the given positions (indexes into doc.bookmarks; repeated
// or out-of-range indexes are ignored): each one's bytes, with the blanks and the line end that
// only served to place it, are cut out; nothing else changes.
std::string XbelWithout(const XbelDocument& doc, const std::vector<size_t>& indexes);

}  // namespace vantum::cleaning
