#include "core/tree_file.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vantum {

namespace {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

std::uint32_t ToLittle32(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) return v;
    return __builtin_bswap32(v);
}
std::uint64_t ToLittle64(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) return v;
    return __builtin_bswap64(v);
}

// Records are assembled here and handed to the writer in one piece.
class RecordBuffer {
public:
    void I32(std::int32_t v) {
        std::uint32_t u = ToLittle32(static_cast<std::uint32_t>(v));
        Append(&u, 4);
    }
    void F64(double v) {
        std::uint64_t u = ToLittle64(std::bit_cast<std::uint64_t>(v));
        Append(&u, 8);
    }
    void Text(const std::string& s) {
        if (s.size() > static_cast<std::size_t>(INT32_MAX)) throw FileError::StreamWrite();
        I32(static_cast<std::int32_t>(s.size()));
        Append(s.data(), s.size());
    }
    void Clear() { bytes_.clear(); }
    const std::string& Bytes() const { return bytes_; }

private:
    void Append(const void* p, std::size_t n) { bytes_.append(static_cast<const char*>(p), n); }
    std::string bytes_;
};

class RecordReader {
public:
    explicit RecordReader(BoundedFileReader& in) : in_(in) {}
    std::int32_t I32() {
        std::uint32_t u;
        in_.Read(&u, 4);
        return static_cast<std::int32_t>(ToLittle32(u));
    }
    double F64() {
        std::uint64_t u;
        in_.Read(&u, 8);
        return std::bit_cast<double>(ToLittle64(u));
    }
    // A length the rest of the file cannot hold is an error before anything is allocated.
    void Text(std::string& out) {
        std::int32_t len = I32();
        if (len < 0 || static_cast<std::uint64_t>(len) > in_.Remaining()) throw FileError::StreamRead();
        out.resize(static_cast<std::size_t>(len));
        if (len > 0) in_.Read(out.data(), out.size());
    }

private:
    BoundedFileReader& in_;
};

// Sends the closing position whichever way the operation ends.
class FinalProgress {
public:
    explicit FinalProgress(ProgressSink& sink) : sink_(sink) {}
    ~FinalProgress() {
        sink_.SizeProgress(0);
        sink_.Idle();
    }
    FinalProgress(const FinalProgress&) = delete;
    FinalProgress& operator=(const FinalProgress&) = delete;

private:
    ProgressSink& sink_;
};

std::int32_t ClampToInt32(std::uint64_t v) { return static_cast<std::int32_t>(std::min<std::uint64_t>(v, INT32_MAX)); }

// A size no scan can produce: NaN, infinite, negative or beyond kMaxTreeFileMegabytes.
// Such a file is damaged or forged; no guess at what it meant would be worth showing.
double CheckedSize(double megabytes) {
    if (!(megabytes >= 0 && megabytes <= kMaxTreeFileMegabytes)) throw FileError::StreamRead();
    return megabytes;
}

}  // namespace

void SaveToFile(TSizeTree& tree, const std::string& fileName) {
    TSizeFolder* top = tree.Top();
    if (!top) throw std::invalid_argument("The size tree is empty: nothing to save");
    ProgressSink& sink = tree.Sink();

    AtomicFileWriter out(fileName);
    // The range is the number of records: FolderCount belongs to the last scan and says
    // nothing about a tree that was read from a file since.
    int records = tree.CountFolders(tree.Root.get());
    tree.State.ProgressPos = 0;
    tree.State.ProgressMax = records;
    sink.SizeRange(records);
    FinalProgress final(sink);

    RecordBuffer rec;
    rec.I32(records);
    out.Write(rec.Bytes());

    // Pre-order without recursion: a folder, then its children's subtrees in list order.
    std::vector<const TSizeFolder*> stack{top};
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        sink.SizeProgress(++tree.State.ProgressPos);
        sink.Idle();
        rec.Clear();
        rec.Text(f->Path());
        rec.Text(f->Name);
        rec.F64(f->FilesSize);
        rec.F64(f->SubFoldersSize);
        rec.I32(f->SubFolderCount() - 1);
        out.Write(rec.Bytes());
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back(it->get());
    }
    out.Commit();
}

void LoadFromFile(TSizeTree& tree, const std::string& fileName) {
    if (!tree.Root) return;
    ProgressSink& sink = tree.Sink();
    BoundedFileReader in(fileName);
    {
        FinalProgress final(sink);
        tree.State.ProgressMax = ClampToInt32(in.Size() / 111);
        sink.SizeRange(tree.State.ProgressMax);
        RecordReader rd(in);
        rd.I32();  // the folder count is not needed: the tree carries its own shape

        // Each entry: a folder and how many of its child records are still to come. Nesting
        // in the file becomes depth of this stack, never of the call stack; the stack grows
        // by one entry per record read, so it is bounded by the file's size.
        struct Pending {
            TSizeFolder* folder;
            std::int64_t children;
        };
        std::vector<Pending> stack{{tree.Root.get(), 1}};
        std::int32_t counter = 0;
        std::string path, name;
        while (!stack.empty()) {
            if (stack.back().children == 0) {
                stack.pop_back();
                continue;
            }
            --stack.back().children;
            TSizeFolder* parent = stack.back().folder;
            if (counter < INT32_MAX) ++counter;
            sink.SizeProgress(counter);
            sink.Idle();
            rd.Text(path);
            TSizeFolder* f = parent->AddSubFolder(path);
            rd.Text(name);
            f->Name = name;
            const double files = CheckedSize(rd.F64());
            const double subFolders = CheckedSize(rd.F64());
            f->FilesSize = files;
            f->SubFoldersSize = subFolders;
            std::int32_t last = rd.I32();
            // No room is reserved for the announced children: the count may lie.
            if (last >= 0) stack.push_back({f, static_cast<std::int64_t>(last) + 1});
        }
    }
}

bool IsTreeFileArgument(const std::string& arg) {
    std::string lower = arg;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return lower.find(".vtr") != std::string::npos;
}

}  // namespace vantum
