// vantum-cli zip / unzip: pack files and folders into a zip archive, unpack one.
#include <openssl/crypto.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "filemgr/zip_archive.h"

namespace {

using vantum::cli::EscapeForTerminal;

constexpr const char* kZipUsage =
    "zip ARCHIVE PATH... [--level N] [--flat] [--move] [--password-file F]  -- pack into a zip archive "
    "(AES-256 with a password: 7-Zip reads it, Info-ZIP unzip cannot)";
constexpr const char* kUnzipUsage =
    "unzip ARCHIVE [--into DIR] [--flat] [--overwrite] [--password-file F]  -- unpack (default: a folder "
    "beside the archive, named after it)";

bool ReadPasswordFile(const std::string& file, std::string& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::getline(in, out);
    if (!out.empty() && out.back() == '\r') out.pop_back();
    return true;
}

void Report(const vantum::ZipResult& r, const char* cmd) {
    for (const std::string& p : r.problems)
        std::fprintf(stderr, "vantum-cli: %s: %s\n", cmd, EscapeForTerminal(p).c_str());
    if (!r.message.empty()) std::fprintf(stderr, "vantum-cli: %s: %s\n", cmd, EscapeForTerminal(r.message).c_str());
}

int Usage(const char* usage) {
    std::fprintf(stderr, "usage: vantum-cli %s\n", usage);
    return 2;
}

int RunZip(const vantum::cli::Args& args) {
    vantum::ZipPackOptions options;
    std::string passwordFile;
    std::vector<std::string> paths;
    bool onlyPaths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (onlyPaths) {
            paths.push_back(a);
        } else if (a == "--level" && hasValue) {
            const std::string& v = args[++i];
            options.level = v.size() == 1 && v[0] >= '1' && v[0] <= '9' ? v[0] - '0' : 0;
            if (!options.level) {
                std::fprintf(stderr, "vantum-cli: zip: the level must be 1 to 9\n");
                return 2;
            }
        } else if (a == "--flat") {
            options.withFolderNames = false;
        } else if (a == "--move") {
            options.move = true;
        } else if (a == "--password-file" && hasValue) {
            passwordFile = args[++i];
        } else if (a == "--") {
            onlyPaths = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(kZipUsage);
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() < 2) return Usage(kZipUsage);
    if (!passwordFile.empty() && !ReadPasswordFile(passwordFile, options.password)) {
        std::fprintf(stderr, "vantum-cli: zip: cannot read %s\n", EscapeForTerminal(passwordFile).c_str());
        return 1;
    }
    const std::string archive = paths.front();
    paths.erase(paths.begin());
    const vantum::ZipResult r = vantum::AddToArchive(archive, paths, options);
    Report(r, "zip");
    if (r.message.empty()) {
        std::printf("Packed %d files into %s\n", r.files, EscapeForTerminal(archive).c_str());
        if (options.move) std::printf("Removed %d originals\n", r.removed);
    }
    return r.ok ? 0 : 1;
}

int RunUnzip(const vantum::cli::Args& args) {
    vantum::ZipUnpackOptions options;
    std::string into, passwordFile, archive;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--into" && hasValue) {
            into = args[++i];
            if (into.empty()) return Usage(kUnzipUsage);
        } else if (a == "--flat") {
            options.withFolderNames = false;
        } else if (a == "--overwrite") {
            options.overwrite = true;
        } else if (a == "--password-file" && hasValue) {
            passwordFile = args[++i];
        } else if ((a.size() > 1 && a[0] == '-') || !archive.empty()) {
            return Usage(kUnzipUsage);
        } else {
            archive = a;
        }
    }
    if (archive.empty()) return Usage(kUnzipUsage);
    if (!passwordFile.empty() && !ReadPasswordFile(passwordFile, options.password)) {
        std::fprintf(stderr, "vantum-cli: unzip: cannot read %s\n", EscapeForTerminal(passwordFile).c_str());
        return 1;
    }
    const vantum::ZipResult r = vantum::ExtractArchive(archive, into, options);
    Report(r, "unzip");
    if (!r.comment.empty()) std::printf("%s\n", EscapeForTerminal(r.comment).c_str());
    if (r.message.empty())
        std::printf("Unpacked %d files into %s\n", r.files, EscapeForTerminal(r.target).c_str());
    return r.ok ? 0 : 1;
}

const vantum::cli::CliCommand zipCommand{"zip", kZipUsage, &RunZip};
const vantum::cli::CliCommand unzipCommand{"unzip", kUnzipUsage, &RunUnzip};

}  // namespace
