#include "filemgr/lec_batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filemgr/atomic_file.h"
#include "filemgr/lec_file.h"
#include "filemgr/lec_names.h"
#include "filemgr/shredder.h"

namespace vantum {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Removes a source whose output is complete. The output is flushed to the device first, so
// that a crash right after cannot leave neither file.
std::string RemoveSource(const std::string& source, const std::string& output, const LecBatchOptions& o) {
    if (o.removal == SourceRemoval::Keep) return {};
    if (const int err = SyncPath(output))
        return "Kept " + source + ": cannot flush " + output + ": " + std::strerror(err);
    switch (o.removal) {
        case SourceRemoval::Keep:
            return {};
        case SourceRemoval::Shred: {
            const ShredResult r = ShredFile(source, o.shred_passes);
            return r.ok ? std::string() : r.message;
        }
        case SourceRemoval::Delete:
            if (unlink(source.c_str()) != 0) return "Cannot delete " + source + ": " + std::strerror(errno);
            return {};
        case SourceRemoval::Recycle:
            if (!o.recycle) return "Kept " + source + ": no trash available";
            return o.recycle(source);
    }
    return {};
}

// A shredding sink would move the batch's gauge; the passes only let the window paint.
class IdleOnly : public ProgressSink {
public:
    explicit IdleOnly(ProgressSink& outer) : outer_(outer) {}
    void Idle() override { outer_.Idle(); }

private:
    ProgressSink& outer_;
};

}  // namespace

std::vector<LecOutcome> EncryptFiles(const std::vector<std::string>& files, std::string_view passphrase,
                                     const LecBatchOptions& options, ProgressSink& sink) {
    std::vector<LecOutcome> out;
    IdleOnly idle(sink);
    sink.SizeRange(static_cast<int>(files.size()));
    for (const std::string& file : files) {
        LecOutcome o;
        o.file = file;
        o.target = EncryptionTarget(file, Exists);
        const LecResult r = EncryptFile(file, o.target, passphrase, ExistingTarget::Keep, idle);
        o.status = r.ok ? LecOutcome::Done : LecOutcome::Failed;
        o.message = r.ok ? RemoveSource(file, o.target, options) : r.message;
        out.push_back(std::move(o));
        sink.SizeProgress(static_cast<int>(out.size()));
    }
    return out;
}

std::vector<LecOutcome> DecryptFiles(const std::vector<std::string>& files, std::string_view passphrase,
                                     const LecBatchOptions& options, ProgressSink& sink) {
    std::vector<LecOutcome> out;
    IdleOnly idle(sink);
    sink.SizeRange(static_cast<int>(files.size()));
    for (const std::string& file : files) {
        LecOutcome o;
        o.file = file;
        if (!LooksEncrypted(file)) {
            o.status = LecOutcome::Skipped;
        } else if (const auto target = DecryptionTarget(file)) {
            o.target = *target;
            const ExistingTarget existing = options.replace_plain ? ExistingTarget::Replace : ExistingTarget::Keep;
            const LecResult r = DecryptFile(file, o.target, passphrase, existing, idle);
            o.status = r.ok ? LecOutcome::Done : LecOutcome::Failed;
            o.message = r.ok ? RemoveSource(file, o.target, options) : r.message;
        } else {
            o.message = "Cannot work out the original name of " + file;
        }
        out.push_back(std::move(o));
        sink.SizeProgress(static_cast<int>(out.size()));
    }
    return out;
}

}  // namespace vantum
