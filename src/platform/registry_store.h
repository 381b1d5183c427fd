#pragma once
// A registry of our own: the seven predefined roots, keys with sub-keys and typed values,
// enumerated in creation order. MemoryRegistry holds it in memory; FileRegistryStore keeps it
// in one text file (normally in the AppData folder) and writes every change atomically.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantum::platform {

enum class RegRoot : int {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData,
};
inline constexpr int kRegRootCount = 7;

// "HKEY_CLASSES_ROOT", ... for the seven roots; empty for any other value.
std::string_view RootName(RegRoot root);
// The root with that exact name; nullopt for any other text.
std::optional<RegRoot> RootFromName(std::string_view name);

enum class RegType { String, ExpandString, Dword, Binary, MultiString, Other };

// Type codes of the platform's registry, kept for values of type Other ("hex(N):").
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

struct RegValue {
    std::string name;  // empty: the key's default value
    RegType type = RegType::String;
    std::string text;                  // String, ExpandString
    std::uint32_t number = 0;          // Dword
    std::string bytes;                 // Binary, Other: the raw data
    std::vector<std::string> strings;  // MultiString
    std::uint32_t rawType = kRegNone;  // Other: the type code

    static RegValue String(std::string name, std::string text);
    static RegValue ExpandString(std::string name, std::string text);
    static RegValue Dword(std::string name, std::uint32_t number);
    static RegValue Binary(std::string name, std::string bytes);
    static RegValue MultiString(std::string name, std::vector<std::string> strings);
    static RegValue Other(std::string name, std::uint32_t rawType, std::string bytes);

    bool operator==(const RegValue&) const = default;
};

// What an opened key shows: its values and the names of its sub-keys, both in creation order.
struct RegKeyContents {
    std::vector<RegValue> values;
    std::vector<std::string> subKeys;
};

// Bounds of a key path and of a whole registry. Creating a key beyond them (or a value that
// would grow the registry beyond kRegMaxBytes) fails with a reason in LastError(), and so does
// reading a store file that breaks them.
inline constexpr size_t kRegMaxKeyDepth = 512;
inline constexpr size_t kRegMaxKeyNameBytes = 255;
inline constexpr size_t kRegMaxBytes = 64u << 20;

// Key paths are below a root, components separated by backslashes ("Software\Foo"); the empty
// path is the root itself. Names compare without regard to ASCII case and keep the case they
// were created with. A path with an empty component ("a\\b", "\a") names no key.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // Opens a key without creating it: nullopt when it does not exist.
    virtual std::optional<RegKeyContents> OpenKey(RegRoot root, std::string_view key) const = 0;
    bool KeyExists(RegRoot root, std::string_view key) const { return OpenKey(root, key).has_value(); }

    // Creates the key and any missing parents; true also when it exists already.
    virtual bool CreateKey(RegRoot root, std::string_view key) = 0;
    // Sets (adds or replaces) a value of an existing key; false when the key does not exist.
    virtual bool SetValue(RegRoot root, std::string_view key, const RegValue& value) = 0;
    bool WriteString(RegRoot root, std::string_view key, std::string name, std::string text) {
        return SetValue(root, key, RegValue::String(std::move(name), std::move(text)));
    }
    // False when the key or the value does not exist.
    virtual bool DeleteValue(RegRoot root, std::string_view key, std::string_view name) = 0;
    // Deletes the key with everything below it; false when it does not exist. A root itself
    // cannot be deleted.
    virtual bool DeleteKey(RegRoot root, std::string_view key) = 0;

    // Runs edits on a copy of the store and keeps the result only when edits returns true (and,
    // for a stored registry, the result could be saved): all of it or nothing.
    virtual bool Update(const std::function<bool(RegistryStore&)>& edits) = 0;

    // Why the last operation that returned false failed; empty when it simply did not apply
    // (a missing key or value).
    virtual std::string LastError() const = 0;
};

struct RegKeyNode {
    std::string name;
    std::vector<RegValue> values;
    std::vector<RegKeyNode> subKeys;
    // ASCII-lowered name -> position in values / subKeys, kept in step by MemoryRegistry so
    // that a key with many values or sub-keys is searched in constant time.
    std::unordered_map<std::string, size_t> valueIndex;
    std::unordered_map<std::string, size_t> subKeyIndex;
};

class MemoryRegistry : public RegistryStore {
public:
    std::optional<RegKeyContents> OpenKey(RegRoot root, std::string_view key) const override;
    bool CreateKey(RegRoot root, std::string_view key) override;
    bool SetValue(RegRoot root, std::string_view key, const RegValue& value) override;
    bool DeleteValue(RegRoot root, std::string_view key, std::string_view name) override;
    bool DeleteKey(RegRoot root, std::string_view key) override;
    bool Update(const std::function<bool(RegistryStore&)>& edits) override;
    std::string LastError() const override { return error_; }

    // The root's key node (for writers that walk the whole tree); null for an unknown root.
    const RegKeyNode* Root(RegRoot root) const;
    // What the registry costs in its file form, roughly (key paths, names and data).
    size_t Bytes() const { return bytes_; }

private:
    friend std::optional<MemoryRegistry> ParseRegistry(std::string_view text, std::string* error);
    // The key, created with its missing parents; null (and error_ set) when it is out of bounds.
    RegKeyNode* MakeKey(RegRoot root, std::string_view key);
    // Adds or replaces a value of the node (false and error_ set beyond kRegMaxBytes).
    bool PutValue(RegKeyNode& node, const RegValue& value);

    RegKeyNode roots_[kRegRootCount];
    size_t bytes_ = 0;
    std::string error_;
};

// The file form (one record a line, fields separated by one blank; names, texts and bytes
// escaped as %XX for '%', control characters, blank and bytes >= 0x7F):
//   vantum-registry 1
//   K <root name> <key path>
//   V <type> <name> <data...>
// with the types sz, expand_sz, dword (decimal), binary, multi_sz (count, then one field per
// string) and other:<code>. A key's values follow its K line; keys appear depth first in
// enumeration order, so reading the file back rebuilds the same order.
std::string SerializeRegistry(const MemoryRegistry& reg);
// Nullopt (and the reason in *error) when the text is not a well-formed registry file.
std::optional<MemoryRegistry> ParseRegistry(std::string_view text, std::string* error);

class FileRegistryStore : public RegistryStore {
public:
    inline static constexpr std::string_view kFileName = "registry.vreg";

    // path is a folder (the store is kFileName in it) or the store file itself. A missing file
    // is an empty registry; it is created by the first change. A damaged file is never
    // overwritten: reads then show an empty registry and every change fails with LastError().
    explicit FileRegistryStore(std::string path);

    const std::string& FilePath() const { return file_; }

    std::optional<RegKeyContents> OpenKey(RegRoot root, std::string_view key) const override;
    bool CreateKey(RegRoot root, std::string_view key) override;
    bool SetValue(RegRoot root, std::string_view key, const RegValue& value) override;
    bool DeleteValue(RegRoot root, std::string_view key, std::string_view name) override;
    bool DeleteKey(RegRoot root, std::string_view key) override;
    bool Update(const std::function<bool(RegistryStore&)>& edits) override;
    // Also tells when the file on disk is damaged (every change fails then).
    std::string LastError() const override;

private:
    struct Stamp {
        bool exists = false;
        std::uint64_t dev = 0, ino = 0, size = 0;
        std::int64_t mtimeSec = 0, mtimeNsec = 0;
        bool operator==(const Stamp&) const = default;
    };
    // Reloads the file when it changed since it was last read (another process may write it).
    void Refresh() const;
    bool Mutate(const std::function<bool(MemoryRegistry&)>& change);
    bool Save(const MemoryRegistry& reg);
    Stamp CurrentStamp() const;

    std::string file_;
    mutable MemoryRegistry tree_;
    mutable Stamp stamp_;
    mutable bool loaded_ = false;
    mutable std::string loadError_;  // non-empty while the file on disk is damaged
    mutable std::string error_;
};

}  // namespace vantum::platform
