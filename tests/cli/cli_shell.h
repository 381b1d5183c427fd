#pragma once
// Running vantum-cli from a shell in the CLI tests.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vantum::test {

struct Result {
    int code = -1;
    std::string out;
};

// Runs a shell command line; standard error joins the output unless asked otherwise.
inline Result Shell(const std::string& cmd, bool withStderr = true) {
    Result r;
    FILE* p = ::popen((cmd + (withStderr ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::string Cli() { return std::string("'") + VANTUM_CLI_PATH + "'"; }

// The rest of the line that begins with key.
inline std::string Field(const std::string& out, const std::string& key) {
    size_t at = out.compare(0, key.size(), key) == 0 ? 0 : out.find("\n" + key);
    if (at == std::string::npos) return {};
    if (out[at] == '\n') ++at;
    size_t end = out.find('\n', at);
    return out.substr(at + key.size(), end - at - key.size());
}

}  // namespace vantum::test
