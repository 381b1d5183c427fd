#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/temp_name.h"

namespace vantum::settings {
namespace {

// Larger files are not settings files: they are refused rather than read at every start.
constexpr off_t kMaxFileSize = 4 * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string Folded(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

// The key index's key: section number and folded key name.
std::string KeyId(int section, std::string_view key) {
    std::string id = std::to_string(section);
    id += '\x01';
    id += Folded(key);
    return id;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name survives a write and a re-read unchanged only when it is not empty, has no blanks at
// its ends, no line break, and does not contain the characters that end it.
bool IsStorableName(std::string_view s, std::string_view forbidden) {
    return !s.empty() && Trim(s).size() == s.size() && !HasLineBreakOrNul(s) &&
           s.find_first_of(forbidden) == std::string_view::npos;
}

std::string ErrnoText(int err) { return std::strerror(err); }

}  // namespace

bool IniFile::ParseInteger(std::string_view text, int& out) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty()) return false;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    if (v < INT_MIN || v > INT_MAX) return false;
    out = int(v);
    return true;
}

// Blanks at the ends of a value would be lost on reading.
bool IniFile::IsStorableValue(std::string_view value) {
    return !HasLineBreakOrNul(value) && Trim(value).size() == value.size();
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    // Non-blocking: a FIFO or a device in the file's place must not hold up the start.
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            state_ = State::Missing;
        } else {
            state_ = State::Unreadable;
            loadError_ = "Cannot open " + path_ + ": " + ErrnoText(err);
        }
        return;
    }
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        state_ = State::Unreadable;
        loadError_ = "Cannot read " + path_ + ": not a regular file";
        return;
    }
    if (st.st_size > kMaxFileSize) {
        ::close(fd);
        state_ = State::Unreadable;
        loadError_ = "Cannot read " + path_ + ": the file is too large for a settings file";
        return;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            state_ = State::Unreadable;
            loadError_ = "Cannot read " + path_ + ": " + ErrnoText(err);
            return;
        }
        if (n == 0) break;
        data.append(buf, size_t(n));
        if (data.size() > size_t(kMaxFileSize)) {
            ::close(fd);
            state_ = State::Unreadable;
            loadError_ = "Cannot read " + path_ + ": the file is too large for a settings file";
            return;
        }
    }
    ::close(fd);
    state_ = State::Loaded;
    Parse(data);
}

IniFile IniFile::FromText(std::string_view text) {
    IniFile f;
    f.state_ = State::InMemory;
    f.Parse(text);
    return f;
}

void IniFile::Parse(std::string_view text) {
    lines_.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        Line line;
        if (nl == std::string_view::npos) {
            line.text.assign(text.substr(pos));
            pos = text.size();
        } else {
            size_t end = nl;
            if (end > pos && text[end - 1] == '\r') {
                --end;
                line.eol = "\r\n";
            } else {
                line.eol = "\n";
            }
            line.text.assign(text.substr(pos, end - pos));
            pos = nl + 1;
        }
        std::string_view t = line.text;
        // A byte order mark from an editor is not part of the first line's content.
        if (lines_.empty() && t.substr(0, 3) == "\xEF\xBB\xBF") t.remove_prefix(3);
        t = Trim(t);
        if (t.empty() || t.front() == ';' || t.front() == '#') {
            line.kind = Line::Kind::Other;
        } else if (t.front() == '[') {
            line.kind = Line::Kind::Section;
            size_t close = t.find(']');
            line.name.assign(Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        } else if (size_t eq = t.find('='); eq != std::string_view::npos && eq > 0) {
            std::string_view k = Trim(t.substr(0, eq));
            if (!k.empty()) {
                line.kind = Line::Kind::Key;
                line.name.assign(k);
                line.value.assign(Trim(t.substr(eq + 1)));
            }
        }
        lines_.push_back(std::move(line));
    }
    Reindex();
}

void IniFile::Reindex() {
    sections_.clear();
    sectionIndex_.clear();
    keyIndexValid_ = false;
    int current = -1;
    for (size_t i = 0; i < lines_.size(); ++i) {
        Line& l = lines_[i];
        if (l.kind == Line::Kind::Section) {
            auto [it, added] = sectionIndex_.try_emplace(Folded(l.name), int(sections_.size()));
            if (added) sections_.push_back({l.name, {}});
            current = it->second;
            sections_[size_t(current)].heads.push_back(i);
        }
        l.section = current;
    }
}

int IniFile::FindSection(std::string_view name) const {
    auto it = sectionIndex_.find(Folded(name));
    return it == sectionIndex_.end() ? -1 : it->second;
}

const IniFile::Line* IniFile::FindKey(std::string_view section, std::string_view key) const {
    int s = FindSection(section);
    if (s < 0) return nullptr;
    if (!keyIndexValid_) {
        keyIndex_.clear();
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Line& l = lines_[i];
            // The first occurrence is the one read and written.
            if (l.kind == Line::Kind::Key && l.section >= 0) keyIndex_.try_emplace(KeyId(l.section, l.name), i);
        }
        keyIndexValid_ = true;
    }
    auto it = keyIndex_.find(KeyId(s, key));
    return it == keyIndex_.end() ? nullptr : &lines_[it->second];
}

size_t IniFile::EndOfBlock(size_t head) const {
    size_t i = head + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Kind::Section) ++i;
    return i;
}

std::string IniFile::DefaultEol() const {
    for (const Line& l : lines_)
        if (!l.eol.empty()) return l.eol;
    return "\n";
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const Line* l = FindKey(section, key);
    return l ? l->value : std::string(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const Line* l = FindKey(section, key);
    int v = 0;
    return l && ParseInteger(l->value, v) ? v : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) >= 0; }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != nullptr;
}

std::vector<std::string> IniFile::ReadSections() const {
    std::vector<std::string> out;
    for (const Section& s : sections_)
        if (!s.name.empty()) out.push_back(s.name);
    return out;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> out;
    int s = FindSection(section);
    if (s < 0) return out;
    std::unordered_map<std::string, bool> seen;
    for (const Line& l : lines_) {
        if (l.kind != Line::Kind::Key || l.section != s) continue;
        if (seen.try_emplace(Folded(l.name), true).second) out.push_back(l.name);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    int s = FindSection(section);
    if (s < 0) return out;
    for (const Line& l : lines_)
        if (l.kind == Line::Kind::Key && l.section == s) out.emplace_back(l.name, l.value);
    return out;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableName(section, "]") || !IsStorableName(key, "=") || key.front() == '[' ||
        key.front() == ';' || key.front() == '#' || !IsStorableValue(value))
        return false;

    if (Line* l = const_cast<Line*>(FindKey(section, key))) {
        if (l->value != value) {
            l->value.assign(value);
            l->text = l->name + "=" + l->value;
            modified_ = true;
        }
        return true;
    }
    const std::string eol = DefaultEol();
    Line line;
    line.kind = Line::Kind::Key;
    line.name.assign(key);
    line.value.assign(value);
    line.text = line.name + "=" + line.value;
    line.eol = eol;

    int s = FindSection(section);
    size_t at;
    if (s >= 0) {
        // After the last key of the section's first block, else right after its header.
        size_t head = sections_[size_t(s)].heads.front();
        at = head + 1;
        for (size_t i = head + 1, end = EndOfBlock(head); i < end; ++i)
            if (lines_[i].kind == Line::Kind::Key) at = i + 1;
    } else {
        at = lines_.size();
        Line head;
        head.kind = Line::Kind::Section;
        head.name.assign(section);
        head.text = "[" + head.name + "]";
        head.eol = eol;
        if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol;
        lines_.push_back(std::move(head));
        at = lines_.size();
    }
    if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol;
    if (s < 0) {
        Reindex();  // a new section: rare, and the index has to learn its name
        s = FindSection(section);
    }
    // A key line inside a block only moves the section heads behind it.
    line.section = s;
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), std::move(line));
    keyIndexValid_ = false;
    for (Section& sec : sections_)
        for (size_t& h : sec.heads)
            if (h >= at) ++h;
    modified_ = true;
    return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, long long value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    int s = FindSection(section);
    if (s < 0) return;
    bool removed = false;
    for (size_t i = lines_.size(); i-- > sections_[size_t(s)].heads.front();) {
        const Line& l = lines_[i];
        if (l.kind != Line::Kind::Key || l.section != s || !SameName(l.name, key)) continue;
        lines_.erase(lines_.begin() + std::ptrdiff_t(i));
        keyIndexValid_ = false;
        for (Section& sec : sections_)
            for (size_t& h : sec.heads)
                if (h > i) --h;
        removed = true;
    }
    modified_ = modified_ || removed;
}

void IniFile::EraseSection(std::string_view section) {
    int s = FindSection(section);
    if (s < 0) return;
    std::erase_if(lines_, [&](const Line& l) { return l.section == s; });
    Reindex();
    modified_ = true;
}

std::string IniFile::Text() const {
    std::string out;
    size_t n = 0;
    for (const Line& l : lines_) n += l.text.size() + l.eol.size();
    out.reserve(n);
    for (const Line& l : lines_) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

IniResult IniFile::Save() {
    if (!modified_ && state_ == State::Loaded) return IniResult::Ok();
    return WriteOut();
}

IniResult IniFile::SaveAlways() { return WriteOut(); }

IniResult IniFile::WriteOut() {
    if (path_.empty()) return IniResult::Fail("No file name to save the settings to");
    if (state_ == State::Unreadable)
        return IniResult::Fail(loadError_ + "; the file was left as it is");

    // Write through a symbolic link rather than replacing the link with a file.
    std::string target = path_;
    if (char* real = ::realpath(path_.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    mode_t mode;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return IniResult::Fail("Could not write " + path_ + ": it is not a file");
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string tmp = platform::TempNameBeside(dir, base, ".XXXXXX");
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return IniResult::Fail("Could not write " + path_ + ": " + ErrnoText(errno));

    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return IniResult::Fail("Could not write " + path_ + ": " + ErrnoText(err));
    };
    ::fchmod(fd, mode);
    const std::string data = Text();
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        done += size_t(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return IniResult::Fail("Could not write " + path_ + ": " + ErrnoText(err));
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return IniResult::Fail("Could not write " + path_ + ": " + ErrnoText(err));
    }
    // Make the rename itself durable; a failure here leaves a complete file either way.
    if (int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    state_ = State::Loaded;
    modified_ = false;
    return IniResult::Ok();
}

}  // namespace vantum::settings
