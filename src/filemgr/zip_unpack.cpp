// Unpacking a zip archive into a folder, refusing every entry that would land outside it.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>

#include <openssl/crypto.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "filemgr/atomic_file.h"
#include "filemgr/zip_archive.h"
#include "filemgr/zip_names.h"

namespace vantum {

namespace {

constexpr std::size_t kMaxLinkTarget = 4096;

std::string ZipCodeText(int code) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, code);
    std::string m = zip_error_strerror(&ze);
    zip_error_fini(&ze);
    return m;
}

// The target when none was given: beside the archive, named after it without its extension.
std::string DefaultTarget(const std::string& archive) {
    const auto slash = archive.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : archive.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? archive : archive.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return (folder == "/" ? "" : folder) + "/" + name;
}

// The name to write an entry under. Names from Unix hosts and UTF-8 names keep their bytes;
// other hosts without UTF-8 wrote their code page (CP437), which libzip converts.
std::string EntryName(zip_t* za, zip_uint64_t i, zip_uint8_t opsys) {
    const char* raw = zip_get_name(za, i, ZIP_FL_ENC_RAW);
    if (!raw) return {};
    std::string name = raw;
    if (IsValidUtf8(name) || opsys == ZIP_OPSYS_UNIX) return name;
    const char* guessed = zip_get_name(za, i, ZIP_FL_ENC_GUESS);
    return guessed ? guessed : name;
}

class Unpacker {
public:
    Unpacker(zip_t* za, int rootfd, const ZipUnpackOptions& options, ZipResult& r)
        : za_(za), root_(rootfd), options_(options), r_(r) {}

    void Entry(zip_uint64_t i) {
        zip_uint8_t opsys = ZIP_OPSYS_DOS;
        zip_uint32_t attrs = 0;
        zip_file_get_external_attributes(za_, i, 0, &opsys, &attrs);
        const std::string name = EntryName(za_, i, opsys);
        zip_stat_t st;
        if (name.empty() || zip_stat_index(za_, i, 0, &st) != 0) {
            Refuse(name.empty() ? "entry " + std::to_string(i) : name, "unreadable entry");
            return;
        }
        const mode_t umode = opsys == ZIP_OPSYS_UNIX ? static_cast<mode_t>(attrs >> 16) : 0;
        const bool isDir = name.back() == '/' || S_ISDIR(umode);
        const bool isLink = !isDir && S_ISLNK(umode);
        if (isDir && !options_.withFolderNames) return;

        std::string why;
        std::vector<std::string> parts = SafeEntryComponents(name, why);
        if (parts.empty()) {
            Refuse(name, why);
            return;
        }
        if (!options_.withFolderNames) parts.erase(parts.begin(), parts.end() - 1);
        std::string key;
        for (const std::string& p : parts) key += p + "/";
        if (!seen_.insert(key).second) {
            Refuse(name, "a second entry of the same name");
            return;
        }

        const std::string leaf = parts.back();
        parts.pop_back();
        const int dir = OpenFolders(name, parts);
        if (dir < 0) return;
        if (isDir) {
            MakeFolder(dir, name, leaf, umode);
        } else if (isLink) {
            WriteLink(dir, name, leaf, parts, i, st);
        } else {
            WriteFile(dir, name, leaf, i, st, umode);
        }
        if (dir != root_) close(dir);
    }

private:
    void Refuse(const std::string& name, const std::string& why) { r_.problems.push_back(name + ": " + why); }

    // Opens (creating) the entry's folders below the target, never through a link.
    int OpenFolders(const std::string& name, const std::vector<std::string>& parts) {
        int fd = root_;
        for (const std::string& p : parts) {
            if (mkdirat(fd, p.c_str(), 0755) != 0 && errno != EEXIST) {
                Refuse(name, "cannot create folder " + p + ": " + std::strerror(errno));
                if (fd != root_) close(fd);
                return -1;
            }
            const int next = openat(fd, p.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const int err = errno;
            if (fd != root_) close(fd);
            if (next < 0) {
                Refuse(name, err == ELOOP || err == ENOTDIR ? "its folder " + p + " is a link or a file; refused"
                                                            : p + ": " + std::strerror(err));
                return -1;
            }
            fd = next;
        }
        return fd;
    }

    void MakeFolder(int dir, const std::string& name, const std::string& leaf, mode_t umode) {
        const mode_t mode = umode ? ((umode & 0777) | 0700) : 0755;
        if (mkdirat(dir, leaf.c_str(), mode) == 0) return;
        struct stat st;
        if (errno == EEXIST && fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            return;
        Refuse(name, std::string("cannot create folder: ") + std::strerror(errno == 0 ? EEXIST : errno));
    }

    std::string TempName() {
        return ".~unzip" + std::to_string(getpid()) + "-" + std::to_string(counter_++) + ".part";
    }

    // Existing entries are replaced only with overwrite; a folder is never replaced by a file.
    bool Place(int dir, const std::string& temp, const std::string& name, const std::string& leaf) {
        int err = 0;
        if (options_.overwrite) {
            struct stat st;
            if (fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                err = EISDIR;
            else if (renameat(dir, temp.c_str(), dir, leaf.c_str()) != 0)
                err = errno;
        } else {
            err = RenameNoReplaceAt(dir, temp, leaf);
        }
        if (err == 0) return true;
        unlinkat(dir, temp.c_str(), 0);
        Refuse(name, err == EEXIST ? "exists already; kept" : std::strerror(err));
        return false;
    }

    bool Exists(int dir, const std::string& leaf) {
        struct stat st;
        return fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    }

    void WriteLink(int dir, const std::string& name, const std::string& leaf,
                   const std::vector<std::string>& folders, zip_uint64_t i, const zip_stat_t& st) {
        if (st.size > kMaxLinkTarget) {
            Refuse(name, "link target too long");
            return;
        }
        std::string target;
        if (!ReadEntry(name, i, st, [&](const char* p, std::size_t n) {
                target.append(p, n);
                return true;
            }))
            return;
        if (target.find('\0') != std::string::npos || !LinkStaysInside(folders, target)) {
            Refuse(name, "link leads out of the target folder; refused");
            return;
        }
        if (!options_.overwrite && Exists(dir, leaf)) {
            Refuse(name, "exists already; kept");
            return;
        }
        const std::string temp = TempName();
        if (symlinkat(target.c_str(), dir, temp.c_str()) != 0) {
            Refuse(name, std::strerror(errno));
            return;
        }
        if (Place(dir, temp, name, leaf)) ++r_.files;
    }

    void WriteFile(int dir, const std::string& name, const std::string& leaf, zip_uint64_t i,
                   const zip_stat_t& st, mode_t umode) {
        if (!options_.overwrite && Exists(dir, leaf)) {
            Refuse(name, "exists already; kept");
            return;
        }
        const std::string temp = TempName();
        const int fd = openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            Refuse(name, std::strerror(errno));
            return;
        }
        bool ok = ReadEntry(name, i, st, [&](const char* p, std::size_t n) {
            while (n > 0) {
                const ssize_t w = write(fd, p, n);
                if (w < 0) {
                    if (errno == EINTR) continue;
                    Refuse(name, std::strerror(errno));
                    return false;
                }
                p += w;
                n -= static_cast<std::size_t>(w);
            }
            return true;
        });
        if (ok) {
            fchmod(fd, umode ? (umode & 0777) : 0644);
            if (st.valid & ZIP_STAT_MTIME) {
                const timespec times[2] = {{0, UTIME_OMIT}, {st.mtime, 0}};
                futimens(fd, times);
            }
        }
        if (close(fd) != 0 && ok) {
            Refuse(name, std::strerror(errno));
            ok = false;
        }
        if (!ok) {
            unlinkat(dir, temp.c_str(), 0);
            return;
        }
        if (Place(dir, temp, name, leaf)) ++r_.files;
    }

    // Streams an entry's data to out, never more than the size it declares.
    template <class Out>
    bool ReadEntry(const std::string& name, zip_uint64_t i, const zip_stat_t& st, Out out) {
        zip_file_t* zf = zip_fopen_index_encrypted(za_, i, 0, options_.password.empty() ? nullptr : options_.password.c_str());
        if (!zf) {
            const int code = zip_error_code_zip(zip_get_error(za_));
            Refuse(name, code == ZIP_ER_NOPASSWD      ? "needs a password"
                         : code == ZIP_ER_WRONGPASSWD ? "wrong password"
                                                      : ZipCodeText(code));
            zip_error_clear(za_);
            return false;
        }
        char buf[1 << 16];
        zip_uint64_t total = 0;
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(zf, buf, sizeof buf);
            if (n < 0) {
                const int code = zip_error_code_zip(zip_file_get_error(zf));
                Refuse(name, code == ZIP_ER_CRC && !options_.password.empty() ? "wrong password or damaged data"
                                                                               : ZipCodeText(code));
                ok = false;
                break;
            }
            if (n == 0) break;
            total += static_cast<zip_uint64_t>(n);
            if (total > st.size) {
                Refuse(name, "holds more data than it declares; refused");
                ok = false;
                break;
            }
            if (!out(buf, static_cast<std::size_t>(n))) {
                ok = false;
                break;
            }
        }
        zip_fclose(zf);
        return ok;
    }

    zip_t* za_;
    int root_;
    const ZipUnpackOptions& options_;
    ZipResult& r_;
    std::set<std::string> seen_;
    unsigned counter_ = 0;
};

}  // namespace

ZipResult ExtractArchive(const std::string& archive, const std::string& target, ZipUnpackOptions& options,
                         ProgressSink& sink) {
    ZipResult r;
    struct Wiper {
        std::string& s;
        ~Wiper() {
            if (!s.empty()) OPENSSL_cleanse(s.data(), s.size());
            s.clear();
        }
    } wiper{options.password};
    struct stat ast;
    if (stat(archive.c_str(), &ast) != 0 || !S_ISREG(ast.st_mode)) {
        r.message = "File not found";
        return r;
    }
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &err);
    if (!za) {
        r.message = archive + (err == ZIP_ER_NOZIP ? ": not a zip archive" : ": " + ZipCodeText(err));
        return r;
    }
    struct Closer {
        zip_t* za;
        ~Closer() { zip_discard(za); }
    } closer{za};
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count <= 0) {
        r.message = "The Zip file is empty";
        return r;
    }
    int clen = 0;
    if (const char* c = zip_get_archive_comment(za, &clen, ZIP_FL_ENC_GUESS); c && clen > 0) {
        std::string text(c, static_cast<std::size_t>(clen));
        for (std::size_t p; (p = text.find("<CR>")) != std::string::npos;) text.replace(p, 4, "\n");
        r.comment = std::move(text);
    }

    r.target = target.empty() ? DefaultTarget(archive) : target;
    while (r.target.size() > 1 && r.target.back() == '/') r.target.pop_back();
    std::error_code ec;
    std::filesystem::create_directories(r.target, ec);
    if (ec) {
        r.message = r.target + ": " + ec.message();
        return r;
    }
    const int root = open(r.target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        r.message = r.target + ": " + std::strerror(errno);
        return r;
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { close(fd); }
    } rootCloser{root};

    // Declared sizes against the free space: a bomb is refused before anything is written
    // (and ReadEntry holds every entry to its declared size).
    zip_uint64_t declared = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            declared += st.size;
    }
    struct statvfs vfs;
    if (fstatvfs(root, &vfs) == 0) {
        const zip_uint64_t avail = static_cast<zip_uint64_t>(vfs.f_bavail) * vfs.f_frsize;
        if (declared > avail) {
            r.message = archive + " unpacks to " + std::to_string(declared) + " bytes, more than the " +
                        std::to_string(avail) + " bytes free in " + r.target;
            return r;
        }
    }

    sink.SizeRange(static_cast<int>(count));
    Unpacker unpacker(za, root, options, r);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (sink.AbortRequested()) {
            r.cancelled = true;
            r.message = "Unpacking cancelled";
            return r;
        }
        unpacker.Entry(static_cast<zip_uint64_t>(i));
        sink.SizeProgress(static_cast<int>(i + 1));
        sink.Idle();
    }
    r.ok = r.problems.empty();
    return r;
}

std::vector<std::string> ListArchive(const std::string& archive, std::string& message) {
    std::vector<std::string> names;
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &err);
    if (!za) {
        message = archive + (err == ZIP_ER_NOZIP ? ": not a zip archive" : ": " + ZipCodeText(err));
        return names;
    }
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_uint8_t opsys = ZIP_OPSYS_DOS;
        zip_uint32_t attrs = 0;
        zip_file_get_external_attributes(za, static_cast<zip_uint64_t>(i), 0, &opsys, &attrs);
        names.push_back(EntryName(za, static_cast<zip_uint64_t>(i), opsys));
    }
    zip_discard(za);
    return names;
}

}  // namespace vantum
