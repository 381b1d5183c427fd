// vantum-cli encrypt / decrypt: .lec files beside the given files, with the names the window
// gives them. The passphrase is the first line of standard input or of --passphrase-file.
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "filemgr/lec_batch.h"

namespace {

namespace fs = std::filesystem;

struct Options {
    std::string passphrase_file;
    vantum::LecBatchOptions batch;
    std::vector<std::string> paths;
};

std::string StripLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// A terminal gets a prompt and no echo.
bool ReadPassphrase(const std::string& file, std::string& out) {
    if (!file.empty()) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return false;
        std::getline(in, out);
        out = StripLineEnd(out);
        return true;
    }
    const bool tty = isatty(STDIN_FILENO);
    termios saved{};
    if (tty) {
        std::fputs("Enter password: ", stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::getline(std::cin, out);
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    out = StripLineEnd(out);
    return !std::cin.bad();
}

// A folder stands for every file below it; symbolic links are not followed.
bool CollectFiles(const std::vector<std::string>& paths, std::vector<std::string>& files) {
    bool ok = true;
    for (const std::string& p : paths) {
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(p, ec))) {
            files.push_back(p);
            continue;
        }
        std::vector<std::string> below;
        for (fs::recursive_directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) && !it->is_symlink(ec)) below.push_back(it->path().native());
        if (ec) {
            std::fprintf(stderr, "vantum-cli: %s: %s\n", p.c_str(), ec.message().c_str());
            ok = false;
        }
        std::sort(below.begin(), below.end());
        files.insert(files.end(), below.begin(), below.end());
    }
    return ok;
}

int Usage(const char* text) {
    std::fprintf(stderr, "usage: vantum-cli %s\n", text);
    return 2;
}

constexpr const char* kEncryptUsage =
    "encrypt [--passphrase-file F] [--remove-source delete|shred] [--passes N] FILE|FOLDER...  "
    "-- encrypt to .lec files beside them";
constexpr const char* kDecryptUsage =
    "decrypt [--passphrase-file F] [--replace] FILE.lec|FOLDER...  -- decrypt .lec files beside them";

bool ParseArgs(const vantum::cli::Args& args, bool encrypt, Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--passphrase-file" && has_value) {
            o.passphrase_file = args[++i];
        } else if (encrypt && a == "--remove-source" && has_value) {
            const std::string& how = args[++i];
            if (how == "delete") o.batch.removal = vantum::SourceRemoval::Delete;
            else if (how == "shred") o.batch.removal = vantum::SourceRemoval::Shred;
            else return false;
        } else if (encrypt && a == "--passes" && has_value) {
            try {
                o.batch.shred_passes = std::stoi(args[++i]);
            } catch (const std::exception&) {
                return false;
            }
            if (o.batch.shred_passes < 1 || o.batch.shred_passes > 34) return false;
        } else if (!encrypt && a == "--replace") {
            o.batch.replace_plain = true;
        } else if (a == "--") {
            o.paths.insert(o.paths.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            o.paths.push_back(a);
        }
    }
    return !o.paths.empty();
}

int Run(const vantum::cli::Args& args, bool encrypt) {
    Options o;
    if (!ParseArgs(args, encrypt, o)) return Usage(encrypt ? kEncryptUsage : kDecryptUsage);
    std::string passphrase;
    if (!ReadPassphrase(o.passphrase_file, passphrase)) {
        std::fprintf(stderr, "vantum-cli: cannot read the passphrase\n");
        return 1;
    }
    std::vector<std::string> files;
    bool ok = CollectFiles(o.paths, files);
    const auto outcomes = encrypt ? vantum::EncryptFiles(files, passphrase, o.batch)
                                  : vantum::DecryptFiles(files, passphrase, o.batch);
    std::fill(passphrase.begin(), passphrase.end(), '\0');
    for (const auto& r : outcomes) {
        if (r.status == vantum::LecOutcome::Skipped) {
            // Only worth a word for a file named on the command line, not one found in a folder.
            if (std::find(o.paths.begin(), o.paths.end(), r.file) != o.paths.end())
                std::fprintf(stderr, "vantum-cli: %s: skipped, not a .lec file\n", r.file.c_str());
            continue;
        }
        if (r.status == vantum::LecOutcome::Done) std::printf("%s -> %s\n", r.file.c_str(), r.target.c_str());
        if (!r.message.empty()) {
            std::fprintf(stderr, "vantum-cli: %s: %s\n", r.file.c_str(), r.message.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}

int RunEncrypt(const vantum::cli::Args& args) { return Run(args, true); }
int RunDecrypt(const vantum::cli::Args& args) { return Run(args, false); }

const vantum::cli::CliCommand encrypt_reg{"encrypt", kEncryptUsage, &RunEncrypt};
const vantum::cli::CliCommand decrypt_reg{"decrypt", kDecryptUsage, &RunDecrypt};

}  // namespace
