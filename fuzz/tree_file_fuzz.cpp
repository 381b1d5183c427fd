// Fuzz target: the size tree file reader on arbitrary bytes. Any input must end in a clean
// result or in one of the reader's errors; what it accepts must save and read back unchanged,
// and every size in the tree, whole or partly read, must format as the lists show it.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/size_format.h"
#include "core/tree_file.h"

namespace {

// Formats every size below Root the way the lists and the CLI do; under UBSan an
// out-of-range cast shows here.
void FormatAll(const vantum::TSizeTree& tree) {
    std::vector<const vantum::TSizeFolder*> stack{tree.Root.get()};
    while (!stack.empty()) {
        const vantum::TSizeFolder* f = stack.back();
        stack.pop_back();
        for (double mb : {f->FilesSize, f->SubFoldersSize, f->CumulatedSize()}) {
            if (vantum::FormatSize(mb).empty() || vantum::FormatSize(mb / 1024).empty()) std::abort();
            (void)vantum::RoundTo2Decimals(mb);
        }
        for (const auto& c : f->SubFolders) stack.push_back(c.get());
    }
}

std::string Slurp(const std::string& file) {
    std::string out;
    if (FILE* f = std::fopen(file.c_str(), "rb")) {
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

// Scratch space for the round trip; a RAM disk when there is one, since saving syncs.
const std::string& ScratchDir() {
    static std::string dir = [] {
        std::string tmpl = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/vtr-fuzz-XXXXXX");
        if (!mkdtemp(tmpl.data())) std::abort();
        return tmpl;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input lives in an anonymous memory file, reached by name like any other file.
    static int fd = memfd_create("vtr-fuzz", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0) std::abort();
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const std::string input = "/proc/self/fd/" + std::to_string(fd);

    vantum::TSizeTree tree;
    try {
        vantum::LoadFromFile(tree, input);
    } catch (const vantum::TreeFileError&) {
        FormatAll(tree);
        return 0;
    } catch (const vantum::SizeTreeAssertion& e) {
        if (e.line() != 154) std::abort();
        FormatAll(tree);
        return 0;
    }
    FormatAll(tree);
    if (!tree.Top() || tree.Root->SubFolderCount() != 1) std::abort();

    const std::string a = ScratchDir() + "/a.vtr", b = ScratchDir() + "/b.vtr";
    vantum::SaveToFile(tree, a);
    vantum::TSizeTree back;
    vantum::LoadFromFile(back, a);
    vantum::SaveToFile(back, b);
    if (Slurp(a) != Slurp(b)) std::abort();
    return 0;
}
