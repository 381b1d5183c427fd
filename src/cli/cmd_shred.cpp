// vantum-cli shred: overwrites files in passes and deletes them. Stops at the first file that
// cannot be shredded; the files after it stay untouched.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "filemgr/shredder.h"

namespace {

constexpr const char* kUsage = "shred [-n PASSES] FILE...  -- overwrite files PASSES+1 times (default 4) and delete them";

int Run(const vantum::cli::Args& args) {
    int passes = 4;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-n" && i + 1 < args.size()) {
            try {
                passes = std::stoi(args[++i]);
            } catch (const std::exception&) {
                passes = -1;
            }
            if (passes < 1 || passes > 34) {
                std::fprintf(stderr, "vantum-cli: shred: PASSES must be 1 to 34\n");
                return 2;
            }
        } else if (args[i] == "--") {
            files.insert(files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: vantum-cli %s\n", kUsage);
        return 2;
    }
    std::vector<std::string> done;
    int rc = 0;
    for (const std::string& f : files) {
        const vantum::ShredResult r = vantum::ShredFile(f, passes);
        if (!r.ok) {
            std::fprintf(stderr, "vantum-cli: %s\n", r.message.c_str());
            rc = 1;
            break;
        }
        done.push_back(f);
    }
    if (!done.empty()) {
        std::printf("The following files have been permanently deleted:\n");
        for (const std::string& f : done) std::printf("%s\n", f.c_str());
    }
    return rc;
}

const vantum::cli::CliCommand reg{"shred", kUsage, &Run};

}  // namespace
