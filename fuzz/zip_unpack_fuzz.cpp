// Fuzz target: unpacking arbitrary bytes as a zip archive. Nothing may appear outside the
// target folder, whatever the archive holds.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "filemgr/zip_archive.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const struct Root {
        fs::path path;
        Root() {
            std::string tmpl = (fs::temp_directory_path() / "vantum-zipfuzz-XXXXXX").string();
            if (!mkdtemp(tmpl.data())) std::abort();
            path = tmpl;
        }
        ~Root() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } box;
    const fs::path& root = box.path;
    const fs::path archive = root / "in.zip";
    const fs::path target = root / "box" / "target";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    fs::create_directories(target);
    vantum::ZipUnpackOptions options;
    options.overwrite = true;
    vantum::ExtractArchive(archive.string(), target.string(), options);
    // Only the target may have changed: root holds the archive and "box", "box" only "target".
    for (const auto& dir : {root, root / "box"})
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path() != archive && e.path() != root / "box" && e.path() != target) std::abort();
    fs::remove_all(root / "box");
    return 0;
}
