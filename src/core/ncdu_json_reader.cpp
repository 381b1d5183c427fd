#include "core/ncdu_json_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "core/safe_file.h"

namespace vantum {

namespace {

constexpr std::size_t kChunk = 256 * 1024;
// Longest string kept (names, keys, values of fields that are read). Far above any path.
constexpr std::size_t kMaxString = 1 << 20;
constexpr double kMiB = 1048576.0;

std::string OffsetText(std::uint64_t offset, const std::string& what) {
    return "ncdu JSON, byte " + std::to_string(offset) + ": " + what;
}

// Bytes from memory or from a descriptor, through one buffer.
class Input {
public:
    explicit Input(std::string_view data) : mem_(data), fd_(-1) {
        cur_ = data.data();
        end_ = data.data() + data.size();
        eof_ = true;
    }
    Input(int fd, ProgressSink& sink) : fd_(fd), sink_(&sink), buf_(kChunk) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            std::uint64_t range = static_cast<std::uint64_t>(st.st_size) / kChunk + 1;
            sink.SizeRange(static_cast<int>(std::min<std::uint64_t>(range, std::numeric_limits<int>::max())));
        }
        cur_ = end_ = buf_.data();
    }

    std::uint64_t Offset() const { return base_ + static_cast<std::uint64_t>(cur_ - Begin()); }
    // The next byte, or -1 at the end of the input.
    int Peek() {
        if (cur_ == end_ && !Fill()) return -1;
        return static_cast<unsigned char>(*cur_);
    }
    int Get() {
        int c = Peek();
        if (c >= 0) ++cur_;
        return c;
    }
    // The buffered bytes from the current position on (refilled when none are left).
    const char* Cur() const { return cur_; }
    const char* End() const { return end_; }
    void Advance(std::size_t n) { cur_ += n; }

private:
    const char* Begin() const { return fd_ < 0 ? mem_.data() : buf_.data(); }
    bool Fill() {
        if (eof_) return false;
        base_ += static_cast<std::uint64_t>(end_ - Begin());
        ssize_t n;
        do n = ::read(fd_, buf_.data(), buf_.size());
        while (n < 0 && errno == EINTR);
        if (n < 0) throw FileError::StreamRead();
        cur_ = buf_.data();
        end_ = buf_.data() + n;
        if (n == 0) {
            eof_ = true;
            return false;
        }
        sink_->SizeProgress(static_cast<int>(std::min<std::uint64_t>(++chunks_, std::numeric_limits<int>::max())));
        return true;
    }

    std::string_view mem_;
    int fd_;
    ProgressSink* sink_ = nullptr;
    std::vector<char> buf_;
    const char* cur_ = nullptr;
    const char* end_ = nullptr;
    std::uint64_t base_ = 0;  // offset of Begin()
    std::uint64_t chunks_ = 0;
    bool eof_ = false;
};

// A number as far as the tree needs it: a non-negative integer, or something else.
struct Number {
    bool integer = true;   // no fraction, no exponent
    bool negative = false;
    bool overflow = false;  // more than 2^64 - 1
    std::uint64_t value = 0;
};

struct Info {
    std::string name;
    bool hasName = false;
    std::uint64_t asize = 0, dsize = 0, dev = 0, ino = 0;
    bool hasDev = false, hasIno = false;
    bool hlnkc = false, readError = false, excluded = false;
    void Clear() {
        name.clear();
        hasName = hasDev = hasIno = hlnkc = readError = excluded = false;
        asize = dsize = dev = ino = 0;
    }
};

class Parser {
public:
    Parser(TSizeTree& tree, Input& in) : tree_(tree), in_(in) {}

    void Run();

private:
    struct Frame {
        TSizeFolder* folder;  // null inside an excluded directory
        std::uint64_t own = 0, below = 0, dev = 0;
    };

    [[noreturn]] void Fail(const std::string& what) { Fail(in_.Offset(), what); }
    [[noreturn]] void Fail(std::uint64_t at, const std::string& what) {
        if (in_.Peek() < 0 && at == in_.Offset()) throw NcduJsonError(at, "unexpected end of the export (" + what + ")");
        throw NcduJsonError(at, what);
    }
    // At the byte c just taken (-1: the end of the input).
    [[noreturn]] void FailAt(int c, const std::string& what) { Fail(in_.Offset() - (c >= 0), what); }
    void SkipWs() {
        for (;;) {
            int c = in_.Peek();
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
            in_.Advance(1);
        }
    }
    // The next significant byte, consumed.
    int Next() {
        SkipWs();
        return in_.Get();
    }
    void Expect(char want, const char* what) {
        SkipWs();
        if (in_.Peek() != static_cast<unsigned char>(want)) Fail(std::string("expected ") + what);
        in_.Advance(1);
    }

    void ParseString(std::string* out);
    void ParseHex4(std::uint32_t& cp);
    Number ParseNumber();
    void ParseLiteral(const char* word);
    bool ParseBool();
    void SkipValue();
    std::uint64_t ParseSize(const char* field, std::uint64_t max);
    void ParseInfo(Info& info);
    void ParseMetadata();
    void Open(const Info& info, bool top);
    void Close();
    void AddFile(const Info& info);

    TSizeTree& tree_;
    Input& in_;
    std::vector<Frame> stack_;
    std::string key_;
    Info info_;
    // gdu writes no size for a directory and counts 4096 bytes for each when it reads one.
    bool gduDirectories_ = false;
};

void Parser::ParseHex4(std::uint32_t& cp) {
    cp = 0;
    for (int i = 0; i < 4; ++i) {
        int c = in_.Get();
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) Fail("bad \\u escape");
        cp = cp << 4 | static_cast<std::uint32_t>(v);
    }
}

// After the opening quote. out null: the string is checked and dropped.
void Parser::ParseString(std::string* out) {
    if (out) out->clear();
    std::size_t kept = 0;
    auto keep = [&](const char* p, std::size_t n) {
        kept += n;
        if (!out) return;
        if (kept > kMaxString) Fail("string longer than 1 MiB");
        out->append(p, n);
    };
    for (;;) {
        if (in_.Peek() < 0) Fail("unterminated string");
        // Plain bytes up to a quote, a backslash or a control byte, in one piece.
        const char* p = in_.Cur();
        const char* e = in_.End();
        const char* q = p;
        while (q < e && *q != '"' && *q != '\\' && static_cast<unsigned char>(*q) >= 0x20) ++q;
        keep(p, static_cast<std::size_t>(q - p));
        in_.Advance(static_cast<std::size_t>(q - p));
        if (q == e) continue;
        int c = in_.Get();
        if (c == '"') return;
        if (c != '\\') Fail("control byte in a string");
        c = in_.Get();
        char one;
        switch (c) {
            case '"': one = '"'; break;
            case '\\': one = '\\'; break;
            case '/': one = '/'; break;
            case 'b': one = '\b'; break;
            case 'f': one = '\f'; break;
            case 'n': one = '\n'; break;
            case 'r': one = '\r'; break;
            case 't': one = '\t'; break;
            case 'u': {
                std::uint32_t cp;
                ParseHex4(cp);
                if (cp >= 0xD800 && cp < 0xDC00 && in_.Peek() == '\\') {
                    // A surrogate pair is one code point; a lone surrogate is kept as its own
                    // three bytes so that distinct names stay distinct.
                    in_.Advance(1);
                    if (in_.Get() != 'u') Fail("bad escape after a high surrogate");
                    std::uint32_t lo;
                    ParseHex4(lo);
                    if (lo >= 0xDC00 && lo < 0xE000) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    } else {
                        char b[3] = {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
                                     static_cast<char>(0x80 | (cp & 0x3F))};
                        keep(b, 3);
                        cp = lo;
                    }
                }
                char b[4];
                std::size_t n;
                if (cp < 0x80) {
                    b[0] = static_cast<char>(cp);
                    n = 1;
                } else if (cp < 0x800) {
                    b[0] = static_cast<char>(0xC0 | cp >> 6);
                    b[1] = static_cast<char>(0x80 | (cp & 0x3F));
                    n = 2;
                } else if (cp < 0x10000) {
                    b[0] = static_cast<char>(0xE0 | cp >> 12);
                    b[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
                    b[2] = static_cast<char>(0x80 | (cp & 0x3F));
                    n = 3;
                } else {
                    b[0] = static_cast<char>(0xF0 | cp >> 18);
                    b[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
                    b[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
                    b[3] = static_cast<char>(0x80 | (cp & 0x3F));
                    n = 4;
                }
                keep(b, n);
                continue;
            }
            default: Fail("bad escape in a string");
        }
        keep(&one, 1);
    }
}

// JSON number grammar; the value is kept when it is a whole number.
Number Parser::ParseNumber() {
    Number n;
    if (in_.Peek() == '-') {
        n.negative = true;
        in_.Advance(1);
    }
    int c = in_.Peek();
    if (c < '0' || c > '9') Fail("bad number");
    if (c == '0') {
        in_.Advance(1);
    } else {
        while ((c = in_.Peek()) >= '0' && c <= '9') {
            auto d = static_cast<std::uint64_t>(c - '0');
            if (n.value > (std::numeric_limits<std::uint64_t>::max() - d) / 10) n.overflow = true;
            else n.value = n.value * 10 + d;
            in_.Advance(1);
        }
    }
    if (in_.Peek() == '.') {
        n.integer = false;
        in_.Advance(1);
        if ((c = in_.Peek()) < '0' || c > '9') Fail("bad number");
        while ((c = in_.Peek()) >= '0' && c <= '9') in_.Advance(1);
    }
    if ((c = in_.Peek()) == 'e' || c == 'E') {
        n.integer = false;
        in_.Advance(1);
        if ((c = in_.Peek()) == '+' || c == '-') in_.Advance(1);
        if ((c = in_.Peek()) < '0' || c > '9') Fail("bad number");
        while ((c = in_.Peek()) >= '0' && c <= '9') in_.Advance(1);
    }
    return n;
}

void Parser::ParseLiteral(const char* word) {
    for (const char* w = word; *w; ++w)
        if (int c = in_.Get(); c != static_cast<unsigned char>(*w)) FailAt(c, "bad literal");
}

bool Parser::ParseBool() {
    SkipWs();
    int c = in_.Peek();
    if (c == 't') return ParseLiteral("true"), true;
    if (c == 'f') return ParseLiteral("false"), false;
    Fail("expected true or false");
}

// Any JSON value, checked and dropped; iterative, so depth costs one byte of stack each.
void Parser::SkipValue() {
    std::vector<char> open;  // '[' or '{'
    for (;;) {
        SkipWs();
        int c = in_.Peek();
        if (c == '{') {
            in_.Advance(1);
            SkipWs();
            if (in_.Peek() == '}') {
                in_.Advance(1);
            } else {
                open.push_back('{');
                if (int d = in_.Get(); d != '"') FailAt(d, "expected a key");
                ParseString(nullptr);
                Expect(':', "':'");
                continue;
            }
        } else if (c == '[') {
            in_.Advance(1);
            SkipWs();
            if (in_.Peek() == ']') {
                in_.Advance(1);
            } else {
                open.push_back('[');
                continue;
            }
        } else if (c == '"') {
            in_.Advance(1);
            ParseString(nullptr);
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            ParseNumber();
        } else if (c == 't') {
            ParseLiteral("true");
        } else if (c == 'f') {
            ParseLiteral("false");
        } else if (c == 'n') {
            ParseLiteral("null");
        } else {
            Fail("expected a value");
        }
        // After a value: close what ends here, or go on with the next element.
        for (;;) {
            if (open.empty()) return;
            int d = Next();
            char close = open.back() == '[' ? ']' : '}';
            if (d == close) {
                open.pop_back();
                continue;
            }
            if (d != ',') FailAt(d, open.back() == '[' ? "expected ',' or ']'" : "expected ',' or '}'");
            if (open.back() == '{') {
                if (int d = Next(); d != '"') FailAt(d, "expected a key");
                ParseString(nullptr);
                Expect(':', "':'");
            }
            break;
        }
    }
}

std::uint64_t Parser::ParseSize(const char* field, std::uint64_t max) {
    SkipWs();
    std::uint64_t at = in_.Offset();
    int c = in_.Peek();
    if (c != '-' && (c < '0' || c > '9')) Fail(std::string("\"") + field + "\" is not a number");
    Number n = ParseNumber();
    if (n.negative && (n.value != 0 || n.overflow)) Fail(at, std::string("negative \"") + field + "\"");
    if (!n.integer) Fail(at, std::string("\"") + field + "\" is not a whole number");
    if (n.overflow || n.value > max) Fail(at, std::string("\"") + field + "\" out of range");
    return n.value;
}

// After the opening brace.
void Parser::ParseInfo(Info& info) {
    info.Clear();
    constexpr auto kMaxSize = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    constexpr auto kMaxU64 = std::numeric_limits<std::uint64_t>::max();
    SkipWs();
    if (in_.Peek() == '}') {
        in_.Advance(1);
    } else {
        for (;;) {
            if (int d = Next(); d != '"') FailAt(d, "expected a key");
            ParseString(&key_);
            Expect(':', "':'");
            SkipWs();
            if (key_ == "name") {
                if (int c = in_.Get(); c != '"') FailAt(c, "\"name\" is not a string");
                ParseString(&info.name);
                info.hasName = true;
            } else if (key_ == "asize") {
                info.asize = ParseSize("asize", kMaxSize);
            } else if (key_ == "dsize") {
                info.dsize = ParseSize("dsize", kMaxSize);
            } else if (key_ == "dev") {
                info.dev = ParseSize("dev", kMaxU64);
                info.hasDev = true;
            } else if (key_ == "ino") {
                info.ino = ParseSize("ino", kMaxU64);
                info.hasIno = true;
            } else if (key_ == "hlnkc") {
                info.hlnkc = ParseBool();
            } else if (key_ == "read_error") {
                info.readError = ParseBool();
            } else if (key_ == "excluded") {
                // A string naming the reason ("pattern", "otherfs", ...); any value excludes.
                info.excluded = true;
                SkipValue();
            } else {
                SkipValue();
            }
            int d = Next();
            if (d == '}') break;
            if (d != ',') FailAt(d, "expected ',' or '}'");
        }
    }
    if (!info.hasName) Fail(in_.Offset() - 1, "entry without a \"name\"");
}

// Only "progname" matters: the export's totals follow the program that wrote it.
void Parser::ParseMetadata() {
    SkipWs();
    if (in_.Peek() != '{') return SkipValue();
    in_.Advance(1);
    SkipWs();
    if (in_.Peek() == '}') return in_.Advance(1);
    for (;;) {
        if (int d = Next(); d != '"') FailAt(d, "expected a key");
        ParseString(&key_);
        Expect(':', "':'");
        SkipWs();
        if (key_ == "progname" && in_.Peek() == '"') {
            in_.Advance(1);
            ParseString(&info_.name);
            gduDirectories_ = info_.name == "gdu";
        } else {
            SkipValue();
        }
        int d = Next();
        if (d == '}') return;
        if (d != ',') FailAt(d, "expected ',' or '}'");
    }
}

void Parser::Open(const Info& info, bool top) {
    Frame f{nullptr};
    const std::string& name = info.name;
    if (top) {
        if (name.empty() || name.find('\0') != std::string::npos) Fail(in_.Offset() - 1, "invalid top directory name");
        f.folder = tree_.Root->AddSubFolder(name);
    } else {
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
            name.find('\0') != std::string::npos)
            Fail(in_.Offset() - 1, "invalid directory name");
        if (!info.excluded && stack_.back().folder) f.folder = stack_.back().folder->AddChild(name);
    }
    f.dev = info.hasDev ? info.dev : stack_.empty() ? 0 : stack_.back().dev;
    if (f.folder) {
        f.own = gduDirectories_ ? 4096 : tree_.ApparentSizes() ? info.asize : info.dsize;
        if (info.readError) f.folder->ReadError = kImportedReadError;
    }
    stack_.push_back(f);
}

void Parser::Close() {
    Frame f = stack_.back();
    stack_.pop_back();
    if (!f.folder) return;
    f.folder->FilesSize = static_cast<double>(f.own) / kMiB;
    f.folder->SubFoldersSize = static_cast<double>(f.below) / kMiB;
    if (stack_.empty()) return;
    std::uint64_t total = f.own + f.below;  // both checked below 2^63 on the way in
    std::uint64_t& below = stack_.back().below;
    if (total > (std::numeric_limits<std::uint64_t>::max() >> 1) - below) Fail("sizes add up beyond 8 EiB");
    below += total;
}

void Parser::AddFile(const Info& info) {
    Frame& f = stack_.back();
    if (!f.folder || info.excluded) return;
    if (info.hlnkc && info.hasIno) {
        TSizeTree::FileKey key{info.hasDev ? info.dev : f.dev, info.ino};
        if (!tree_.LinkOwners.emplace(key, f.folder).second) return;
    }
    std::uint64_t size = tree_.ApparentSizes() ? info.asize : info.dsize;
    if (size > (std::numeric_limits<std::uint64_t>::max() >> 1) - f.own) Fail("sizes add up beyond 8 EiB");
    f.own += size;
}

void Parser::Run() {
    SkipWs();
    if (in_.Peek() == 0xBF) Fail("this is ncdu's binary export (ncdu -O); export with ncdu -o instead");
    if (in_.Peek() != '[') Fail("not an ncdu export (expected '[')");
    in_.Advance(1);
    SkipWs();
    std::uint64_t at = in_.Offset();
    std::uint64_t major = ParseSize("major version", 10000);
    Expect(',', "','");
    std::uint64_t minor = ParseSize("minor version", 10000);
    if (major != 1)
        Fail(at, "export format " + std::to_string(major) + "." + std::to_string(minor) +
                     " is not supported (only 1.x, as ncdu 1.9 and later and gdu write it)");
    Expect(',', "','");
    ParseMetadata();
    Expect(',', "','");
    Expect('[', "the top directory ('[')");
    Expect('{', "the top directory's info ('{')");
    ParseInfo(info_);
    Open(info_, true);
    while (!stack_.empty()) {
        int c = Next();
        if (c == ']') {
            Close();
            continue;
        }
        if (c != ',') FailAt(c, "expected ',' or ']'");
        c = Next();
        if (c == '{') {
            ParseInfo(info_);
            AddFile(info_);
        } else if (c == '[') {
            Expect('{', "a directory's info ('{')");
            ParseInfo(info_);
            Open(info_, false);
        } else {
            FailAt(c, "expected a file ('{') or a directory ('[')");
        }
    }
    // Elements that a later minor version may add are skipped.
    for (;;) {
        int c = Next();
        if (c == ']') break;
        if (c != ',') FailAt(c, "expected ',' or ']'");
        SkipValue();
    }
    SkipWs();
    if (in_.Peek() >= 0) Fail("unexpected data after the export");
}

void Read(TSizeTree& tree, Input& in) {
    std::size_t before = tree.Root->SubFolders.size();
    auto links = tree.LinkOwners;
    try {
        Parser(tree, in).Run();
    } catch (...) {
        // Nothing of a refused export stays in the tree.
        tree.Root->SubFolders.resize(before);
        tree.LinkOwners = std::move(links);
        tree.Sink().SizeProgress(0);
        throw;
    }
    tree.Sink().SizeProgress(0);
}

}  // namespace

NcduJsonError::NcduJsonError(std::uint64_t offset, const std::string& what, const std::string& file)
    : std::runtime_error((file.empty() ? std::string() : "\"" + file + "\": ") + OffsetText(offset, what)),
      offset_(offset),
      reason_(what) {}

void ReadNcduJson(TSizeTree& tree, std::string_view data) {
    Input in(data);
    Read(tree, in);
}

void ReadNcduJson(TSizeTree& tree, int fd) {
    Input in(fd, tree.Sink());
    Read(tree, in);
}

void LoadNcduJson(TSizeTree& tree, const std::string& fileName) {
    if (fileName == "-") return ReadNcduJson(tree, 0);
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError::CannotOpen(fileName, std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) throw FileError::CannotOpen(fileName, "It is a folder");
    try {
        ReadNcduJson(tree, fd);
    } catch (const NcduJsonError& e) {
        throw NcduJsonError(e.offset(), e.reason(), fileName);
    }
}

bool LooksLikeNcduJson(const std::string& fileName) {
    if (fileName == "-") return true;
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[512];
    ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] == ' ' || buf[i] == '\n' || buf[i] == '\r' || buf[i] == '\t') continue;
        return buf[i] == '[';
    }
    return false;
}

}  // namespace vantum
