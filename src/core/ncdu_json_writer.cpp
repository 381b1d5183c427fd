#include "core/ncdu_json_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <vector>

#include "core/safe_file.h"

#ifndef VANTUM_VERSION
#define VANTUM_VERSION "0"
#endif

namespace vantum {

namespace {

constexpr std::uint64_t kDirEntryBytes = 4096;  // what gdu counts for a directory itself
constexpr std::size_t kFlushAt = 256 * 1024;

std::uint64_t Bytes(double megabytes) {
    double b = std::round(megabytes * 1048576.0);
    if (!(b > 0)) return 0;
    if (b >= 9.2e18) return 9200000000000000000ULL;
    return static_cast<std::uint64_t>(b);
}

class Writer {
public:
    explicit Writer(std::function<void(const std::string&)> flush) : flush_(std::move(flush)) { out_.reserve(kFlushAt + 4096); }

    void Run(TSizeTree& tree) {
        TSizeFolder* top = tree.Top();
        if (!top) throw std::invalid_argument("The size tree is empty");
        if (top->Path() == kAllDrives)
            throw std::invalid_argument("A scan of all drives cannot be written as an ncdu export: scan one folder");
        ProgressSink& sink = tree.Sink();
        int folders = tree.CountFolders(top) + 1;
        sink.SizeRange(folders / 4096 + 1);
        out_ += "[1,2,{\"progname\":\"vantum\",\"progver\":\"" VANTUM_VERSION "\",\"timestamp\":";
        out_ += std::to_string(static_cast<long long>(std::time(nullptr)));
        out_ += "},\n";
        struct Item {
            const TSizeFolder* folder;
            std::size_t next;  // index of the next child to write
        };
        std::vector<Item> stack;
        Open(*top, top->Path());
        stack.push_back({top, 0});
        std::size_t written = 1;
        while (!stack.empty()) {
            Item& it = stack.back();
            if (it.next < it.folder->SubFolders.size()) {
                const TSizeFolder* c = it.folder->SubFolders[it.next++].get();
                out_ += ",\n";
                Open(*c, c->Name);
                stack.push_back({c, 0});
                if (++written % 4096 == 0) sink.SizeProgress(static_cast<int>(written / 4096));
                continue;
            }
            out_ += ']';
            stack.pop_back();
            if (out_.size() >= kFlushAt) Flush();
        }
        out_ += "]\n";
        Flush();
    }

private:
    void Open(const TSizeFolder& f, const std::string& name) {
        std::uint64_t own = Bytes(f.FilesSize);
        std::uint64_t self = own < kDirEntryBytes ? own : kDirEntryBytes;
        out_ += "[{\"name\":";
        String(name);
        Sizes(self);
        if (f.ReadError) out_ += ",\"read_error\":true";
        out_ += '}';
        if (own > self) {
            out_ += ",\n{\"name\":";
            String(kOwnFilesName);
            Sizes(own - self);
            out_ += '}';
        }
    }
    void Sizes(std::uint64_t bytes) {
        std::string n = std::to_string(bytes);
        out_ += ",\"asize\":";
        out_ += n;
        out_ += ",\"dsize\":";
        out_ += n;
    }
    // Raw bytes as ncdu writes them: only quotes, backslashes and control bytes are escaped.
    void String(const std::string& s) {
        static const char* hex = "0123456789abcdef";
        out_ += '"';
        for (char ch : s) {
            auto b = static_cast<unsigned char>(ch);
            if (b == '"' || b == '\\') {
                out_ += '\\';
                out_ += ch;
            } else if (b < 0x20 || b == 0x7F) {
                out_ += "\\u00";
                out_ += hex[b >> 4];
                out_ += hex[b & 15];
            } else {
                out_ += ch;
            }
        }
        out_ += '"';
    }
    void Flush() {
        flush_(out_);
        out_.clear();
    }

    std::function<void(const std::string&)> flush_;
    std::string out_;
};

struct FinalProgress {
    ProgressSink& sink;
    ~FinalProgress() { sink.SizeProgress(0); }
};

}  // namespace

void SaveNcduJson(TSizeTree& tree, const std::string& fileName) {
    FinalProgress final{tree.Sink()};
    if (fileName == "-") {
        Writer w([](const std::string& s) {
            const char* p = s.data();
            std::size_t left = s.size();
            while (left > 0) {
                ssize_t n = ::write(1, p, left);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) throw FileError::StreamWrite();
                p += n;
                left -= static_cast<std::size_t>(n);
            }
        });
        w.Run(tree);
        return;
    }
    if (!tree.Top()) throw std::invalid_argument("The size tree is empty");
    AtomicFileWriter out(fileName);
    Writer w([&out](const std::string& s) { out.Write(s); });
    w.Run(tree);
    out.Commit();
}

std::string NcduJsonText(TSizeTree& tree) {
    std::string text;
    Writer w([&text](const std::string& s) { text += s; });
    w.Run(tree);
    return text;
}

}  // namespace vantum
