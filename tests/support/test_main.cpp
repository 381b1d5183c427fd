// Test entry point: every test program runs with its own HOME, XDG folders and settings
// folder, so that no test touches the real ones, and with a pinned locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class IsolatedEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vantum-home-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root_ = tmpl;
        auto sub = [&](const char* name) {
            fs::path p = root_ / name;
            fs::create_directories(p);
            return p.string();
        };
        ::setenv("HOME", root_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", sub(".config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", sub(".local/share").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", sub(".cache").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", sub("runtime").c_str(), 1);
        ::setenv("VANTUM_APPDATA", sub("appdata").c_str(), 1);
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::setenv("LANG", "C.UTF-8", 1);
        if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

private:
    fs::path root_;
};

}  // namespace

// LeakSanitizer builds: fontconfig, which Qt loads, keeps caches alive until exit by design.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new IsolatedEnvironment);
    return RUN_ALL_TESTS();
}
