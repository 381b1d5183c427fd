#pragma once
// A sectioned key=value file, read whole on opening and written back atomically by Save().
//
// Sections and keys compare without regard to ASCII case; values are text, kept byte for byte.
// Integers are decimal, booleans 1/0 and read as integers (non-zero = true); a value that is
// not an integer reads as the default. Writing a key replaces its value where it stands or
// appends it to its section; a missing section is appended at the end of the file. Lines the
// class does not understand (comments, junk, keys before the first section) are kept as they
// are. When a section or key appears twice, the first occurrence is read and written.
//
// Nothing reaches the disk before Save(): a settings object is opened, used and saved within
// one command, so a whole Save at exit is one write.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vantum::settings {

// Outcome of an operation that touches the disk; message is for the user when !ok.
struct IniResult {
    bool ok = true;
    std::string message;
    explicit operator bool() const { return ok; }
    static IniResult Ok() { return {}; }
    static IniResult Fail(std::string text) { return {false, std::move(text)}; }
};

class IniFile {
public:
    enum class State {
        Loaded,      // read from disk
        Missing,     // no such file: starts empty, Save() creates it
        Unreadable,  // exists but could not be read: reads give defaults, Save() refuses
        InMemory,    // built from text, no file behind it
    };

    // Reads the file at path (a missing file is an empty one).
    explicit IniFile(std::string path);
    // An object over the given text, for parsing without a file; Save() needs SetPath().
    static IniFile FromText(std::string_view text);

    const std::string& path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    State state() const { return state_; }
    // Why the file could not be read (State::Unreadable), for the user.
    const std::string& loadError() const { return loadError_; }
    // Whether something was changed since opening or the last Save().
    bool modified() const { return modified_; }

    // Reading.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def = {}) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Section names in file order, each once (with the spelling of its first occurrence).
    std::vector<std::string> ReadSections() const;
    // Key names of a section in file order, each once.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Every key=value line of a section in file order, duplicates included.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

    // Writing (in memory until Save()). A section or key that cannot be stored in this format
    // (empty, blanks at the ends, a line break, '=' in a key, ']' in a section) and a value that
    // would not read back the same (a line break, NUL, blanks at the ends) are refused: the call
    // returns false and nothing changes.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, long long value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes every occurrence of the key in the section.
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes the section with all its lines (every occurrence of it).
    void EraseSection(std::string_view section);

    // Whether a value can be stored as it stands.
    static bool IsStorableValue(std::string_view value);

    // The file's text as Save() would write it.
    std::string Text() const;

    // Writes the text to a temporary file in the same folder and renames it over the file, so
    // the old file stays whole when anything fails. Does nothing when nothing was modified and
    // the file exists. Refuses to replace a file that could not be read.
    IniResult Save();
    // Save() even when unmodified (creates a missing file).
    IniResult SaveAlways();

    // Parses a decimal integer as ReadInteger does; false when text is not one.
    static bool ParseInteger(std::string_view text, int& out);

private:
    IniFile() = default;

    struct Line {
        std::string text;  // the line without its end
        std::string eol;   // "\n", "\r\n" or "" (last line without an end)
        enum class Kind { Other, Section, Key } kind = Kind::Other;
        // For Section: the name; for Key: the key name and the value (both trimmed).
        std::string name;
        std::string value;
        int section = -1;  // index into sections_ of the section this line belongs to
    };
    struct Section {
        std::string name;          // as first spelled
        std::vector<size_t> heads; // indices of its "[name]" lines, in file order
    };

    void Parse(std::string_view text);
    void Reindex();
    int FindSection(std::string_view name) const;
    const Line* FindKey(std::string_view section, std::string_view key) const;
    size_t EndOfBlock(size_t head) const;
    std::string DefaultEol() const;
    IniResult WriteOut();

    std::string path_;
    State state_ = State::InMemory;
    std::string loadError_;
    bool modified_ = false;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
    // Lookups stay linear in the file's size however many sections and keys it has: sections
    // by their folded name, and the first line of each key of a section (built on demand,
    // dropped whenever lines move).
    std::unordered_map<std::string, int> sectionIndex_;
    mutable std::unordered_map<std::string, size_t> keyIndex_;
    mutable bool keyIndexValid_ = false;
};

}  // namespace vantum::settings
