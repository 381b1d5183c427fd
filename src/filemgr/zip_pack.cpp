// Packing files into a zip archive (and moving them into it).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <openssl/crypto.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "filemgr/atomic_file.h"
#include "filemgr/packed_originals.h"
#include "filemgr/zip_archive.h"
#include "filemgr/zip_names.h"

namespace vantum {

namespace {

struct PackEntry {
    std::string path;  // on disk
    std::string name;  // in the archive ("a/b.txt", folders without the trailing slash)
    struct stat st {};
    std::string linkTarget;
};

std::string Errno(const std::string& path, int err) { return path + ": " + std::strerror(err); }

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Collects a folder's contents below it, never following links nor leaving its device.
class Walker {
public:
    Walker(bool withFolderNames, dev_t archiveDev, ino_t archiveIno, std::vector<PackEntry>& out)
        : dirs_(withFolderNames), archiveDev_(archiveDev), archiveIno_(archiveIno), out_(out) {}

    std::string error;  // the first error met; the walk stops there

    bool Add(const std::string& path, const std::string& name, const struct stat& st) {
        if (st.st_dev == archiveDev_ && st.st_ino == archiveIno_) return true;  // the archive itself
        PackEntry e{path, name, st, {}};
        switch (st.st_mode & S_IFMT) {
        case S_IFREG:
            out_.push_back(std::move(e));
            return true;
        case S_IFLNK: {
            std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
            const ssize_t n = readlink(path.c_str(), target.data(), target.size());
            if (n < 0) {
                error = Errno(path, errno);
                return false;
            }
            target.resize(static_cast<std::size_t>(n));
            e.linkTarget = std::move(target);
            out_.push_back(std::move(e));
            return true;
        }
        case S_IFDIR:
            return AddFolder(std::move(e));
        default:
            return true;  // sockets, FIFOs and devices have no place in an archive
        }
    }

private:
    bool AddFolder(PackEntry folder) {
        const int fd = open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            error = Errno(folder.path, errno);
            return false;
        }
        DIR* dir = fdopendir(fd);
        if (!dir) {
            error = Errno(folder.path, errno);
            close(fd);
            return false;
        }
        const dev_t dev = folder.st.st_dev;
        const std::string path = folder.path;
        const std::string prefix = folder.name.empty() ? "" : folder.name + "/";
        if (dirs_ && !folder.name.empty()) out_.push_back(std::move(folder));
        std::vector<std::string> names;
        while (dirent* d = readdir(dir)) {
            if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
            names.emplace_back(d->d_name);
        }
        std::sort(names.begin(), names.end());
        bool ok = true;
        for (const std::string& n : names) {
            struct stat st;
            if (fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                error = Errno(path + "/" + n, errno);
                ok = false;
                break;
            }
            if (S_ISDIR(st.st_mode) && st.st_dev != dev) continue;  // another file system
            if (!Add(path + "/" + n, dirs_ ? prefix + n : n, st)) {
                ok = false;
                break;
            }
        }
        closedir(dir);
        return ok;
    }

    bool dirs_;
    dev_t archiveDev_;
    ino_t archiveIno_;
    std::vector<PackEntry>& out_;
};

// A libzip source that reads one regular file, opened without following links, and refuses
// it when another file has taken its name since it was listed.
struct FileSource {
    std::string path;
    dev_t dev;
    ino_t ino;
    zip_uint64_t size;
    time_t mtime;
    int fd = -1;
    zip_error_t error;
    std::string* failedPath;

    static zip_int64_t Callback(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        auto* s = static_cast<FileSource*>(state);
        switch (cmd) {
        case ZIP_SOURCE_OPEN: {
            s->fd = open(s->path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            struct stat st;
            if (s->fd < 0) return s->Fail(ZIP_ER_OPEN, errno);
            if (fstat(s->fd, &st) != 0 || st.st_dev != s->dev || st.st_ino != s->ino) {
                close(s->fd);
                s->fd = -1;
                return s->Fail(ZIP_ER_CHANGED, 0);
            }
            posix_fadvise(s->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            return 0;
        }
        case ZIP_SOURCE_READ: {
            for (;;) {
                const ssize_t n = read(s->fd, data, len);
                if (n >= 0) return n;
                if (errno != EINTR) return s->Fail(ZIP_ER_READ, errno);
            }
        }
        case ZIP_SOURCE_CLOSE:
            if (s->fd >= 0) close(s->fd);
            s->fd = -1;
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = s->size;
            st->mtime = s->mtime;
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&s->error, data, len);
        case ZIP_SOURCE_FREE:
            if (s->fd >= 0) close(s->fd);
            zip_error_fini(&s->error);
            delete s;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    zip_int64_t Fail(int zipErr, int sysErr) {
        zip_error_set(&error, zipErr, sysErr);
        if (failedPath && failedPath->empty()) *failedPath = path;
        return -1;
    }
};

struct Progress {
    ProgressSink& sink;
    static void OnProgress(zip_t*, double fraction, void* p) {
        auto* self = static_cast<Progress*>(p);
        self->sink.SizeProgress(static_cast<int>(fraction * 1000));
        self->sink.Idle();
    }
    static int OnCancel(zip_t*, void* p) { return static_cast<Progress*>(p)->sink.AbortRequested() ? 1 : 0; }
};

void Wipe(std::string& secret) {
    if (!secret.empty()) OPENSSL_cleanse(secret.data(), secret.size());
    secret.clear();
    secret.shrink_to_fit();
}

zip_flags_t NameFlags(const std::string& name) {
    // Names that are not UTF-8 keep their bytes; the flag would promise what they are not.
    return IsValidUtf8(name) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_RAW;
}

std::string ZipError(zip_t* za) { return zip_error_strerror(zip_get_error(za)); }

// Adds one entry; answers its index or -1.
zip_int64_t AddEntry(zip_t* za, const PackEntry& e, const ZipPackOptions& options, std::string* failedPath) {
    const zip_flags_t enc = NameFlags(e.name);
    zip_int64_t idx;
    const mode_t type = e.st.st_mode & S_IFMT;
    if (type == S_IFDIR) {
        idx = zip_name_locate(za, (e.name + "/").c_str(), ZIP_FL_ENC_RAW);
        if (idx < 0) idx = zip_dir_add(za, e.name.c_str(), enc);
    } else {
        zip_source_t* src;
        if (type == S_IFLNK) {
            void* copy = std::malloc(e.linkTarget.size() + 1);
            if (!copy) return -1;
            std::memcpy(copy, e.linkTarget.data(), e.linkTarget.size());
            src = zip_source_buffer(za, copy, e.linkTarget.size(), 1);
            if (!src) std::free(copy);
        } else {
            auto* fs = new FileSource{e.path, e.st.st_dev, e.st.st_ino, static_cast<zip_uint64_t>(e.st.st_size),
                                      e.st.st_mtim.tv_sec, -1, {}, failedPath};
            zip_error_init(&fs->error);
            src = zip_source_function(za, &FileSource::Callback, fs);
            if (!src) {
                zip_error_fini(&fs->error);
                delete fs;
            }
        }
        if (!src) return -1;
        idx = zip_file_add(za, e.name.c_str(), src, ZIP_FL_OVERWRITE | enc);
        if (idx < 0) {
            zip_source_free(src);
            return -1;
        }
        const bool store = type == S_IFLNK || IsStoredSuffix(e.name);
        if (zip_set_file_compression(za, idx, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : static_cast<zip_uint32_t>(options.level)) != 0)
            return -1;
        if (!options.password.empty() &&
            zip_file_set_encryption(za, idx, ZIP_EM_AES_256, options.password.c_str()) != 0)
            return -1;
    }
    if (idx < 0) return -1;
    // Unix mode in the high half; the DOS folder bit for readers that look only there.
    const zip_uint32_t attrs = (static_cast<zip_uint32_t>(e.st.st_mode & 0xFFFF) << 16) | (type == S_IFDIR ? 0x10 : 0);
    if (zip_file_set_external_attributes(za, idx, 0, ZIP_OPSYS_UNIX, attrs) != 0) return -1;
    if (zip_file_set_mtime(za, idx, e.st.st_mtim.tv_sec, 0) != 0) return -1;
    return idx;
}

// Reads the archive back as a new reader would and checks that every packed entry is there.
std::string VerifyArchive(const std::string& archive, const std::vector<PackEntry>& entries) {
    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        std::string m = archive + " could not be read back: " + zip_error_strerror(&ze);
        zip_error_fini(&ze);
        return m;
    }
    std::string problem;
    for (const PackEntry& e : entries) {
        const bool dir = S_ISDIR(e.st.st_mode);
        const std::string name = dir ? e.name + "/" : e.name;
        const zip_int64_t idx = zip_name_locate(za, name.c_str(), ZIP_FL_ENC_RAW);
        zip_stat_t st;
        if (idx < 0 || zip_stat_index(za, static_cast<zip_uint64_t>(idx), 0, &st) != 0) {
            problem = archive + " lacks " + name + " after writing";
            break;
        }
        const zip_uint64_t expected = S_ISREG(e.st.st_mode) ? static_cast<zip_uint64_t>(e.st.st_size)
                                      : S_ISLNK(e.st.st_mode) ? e.linkTarget.size() : 0;
        if (!dir && st.size != expected) {
            problem = archive + " holds " + name + " with a wrong size";
            break;
        }
    }
    zip_discard(za);
    return problem;
}

}  // namespace

ZipResult AddToArchive(const std::string& archive, const std::vector<std::string>& items, ZipPackOptions& options,
                       ProgressSink& sink) {
    ZipResult r;
    struct Wiper {
        std::string& s;
        ~Wiper() { Wipe(s); }
    } wiper{options.password};
    if (options.level < 1 || options.level > 9) {
        r.message = "The compression level must be 1 to 9";
        return r;
    }
    struct stat ast;
    dev_t adev = 0;
    ino_t aino = 0;
    if (lstat(archive.c_str(), &ast) == 0) {
        if (!S_ISREG(ast.st_mode)) {
            r.message = archive + ": not a file";
            return r;
        }
        adev = ast.st_dev;
        aino = ast.st_ino;
    }

    std::vector<PackEntry> entries;
    Walker walker(options.withFolderNames, adev, aino, entries);
    for (const std::string& item : items) {
        struct stat st;
        if (lstat(item.c_str(), &st) != 0) {
            r.message = Errno(item, errno);
            return r;
        }
        std::string name = BaseName(item);
        if (name == "..") {
            r.message = item + ": give the folder by its own name";
            return r;
        }
        if (name == "." || name == "/") name.clear();  // its contents, without a prefix
        if (name.empty() && !S_ISDIR(st.st_mode)) {
            r.message = item + ": no name to store";
            return r;
        }
        std::string path = item;
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (options.move && S_ISDIR(st.st_mode) && IsProtectedFolder(path)) {
            r.message = item + ": a protected folder; it is never emptied";
            return r;
        }
        if (!walker.Add(path, name, st)) {
            r.message = walker.error;
            return r;
        }
    }
    // Two entries of one name would leave only one of them in the archive.
    std::unordered_map<std::string, const PackEntry*> seen;
    for (const PackEntry& e : entries) {
        const auto [it, fresh] = seen.emplace(e.name, &e);
        if (!fresh && !(S_ISDIR(e.st.st_mode) && S_ISDIR(it->second->st.st_mode))) {
            r.message = "Two files would be stored as \"" + e.name + "\": " + it->second->path + " and " + e.path;
            return r;
        }
    }
    if (entries.empty()) {
        r.message = "Nothing to pack";
        return r;
    }

    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_CREATE, &err);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        r.message = archive + ": " + zip_error_strerror(&ze);
        zip_error_fini(&ze);
        return r;
    }
    std::string failedPath;
    for (const PackEntry& e : entries) {
        if (AddEntry(za, e, options, &failedPath) < 0) {
            r.message = e.path + ": " + ZipError(za);
            zip_discard(za);
            return r;
        }
    }
    Progress progress{sink};
    sink.SizeRange(1000);
    zip_register_progress_callback_with_state(za, 0.001, &Progress::OnProgress, nullptr, &progress);
    zip_register_cancel_callback_with_state(za, &Progress::OnCancel, nullptr, &progress);
    if (zip_close(za) != 0) {
        const int code = zip_error_code_zip(zip_get_error(za));
        r.cancelled = code == ZIP_ER_CANCELLED;
        r.message = r.cancelled ? "Packing cancelled; " + archive + " was not changed"
                                : (failedPath.empty() ? archive : failedPath) + ": " + ZipError(za);
        zip_discard(za);
        return r;
    }
    sink.SizeProgress(1000);
    for (const PackEntry& e : entries)
        if (!S_ISDIR(e.st.st_mode)) ++r.files;

    if (options.move) {
        // The originals go only once the archive is on the device and reads back whole.
        if (const int serr = SyncPath(archive)) {
            r.message = Errno(archive, serr) + "; nothing was deleted";
            return r;
        }
        if (std::string problem = VerifyArchive(archive, entries); !problem.empty()) {
            r.message = problem + "; nothing was deleted";
            return r;
        }
        std::vector<PackedOriginal> originals;
        originals.reserve(entries.size());
        for (const PackEntry& e : entries)
            originals.push_back({e.path, e.st.st_dev, e.st.st_ino, static_cast<mode_t>(e.st.st_mode & S_IFMT),
                                 e.st.st_size, e.st.st_mtim});
        RemovalReport removal = RemovePackedOriginals(originals);
        r.removed = removal.removed;
        r.problems = std::move(removal.problems);
    }
    r.ok = r.problems.empty();
    return r;
}

ZipResult MoveFolderToArchive(const std::string& folder, int level, ProgressSink& sink) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::string archive = path + "/" + BaseName(path) + "_vti.zip";
    ZipPackOptions options;
    options.level = level;
    options.withFolderNames = true;
    options.move = true;
    // The contents, not the folder: it stays and holds the archive.
    return AddToArchive(archive, {path + "/."}, options, sink);
}

}  // namespace vantum
