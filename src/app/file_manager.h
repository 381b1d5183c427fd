#pragma once
// The desktop's file manager as the size views use it: showing a folder and its properties.
// The desktop service speaks org.freedesktop.FileManager1 over the session bus; tests plug in
// a recorder.

#include <functional>
#include <string>

class QUrl;

namespace vantum::app {

class FileManagerService {
public:
    virtual ~FileManagerService() = default;
    // Shows path in the file manager; false when nothing could.
    virtual bool ShowItem(const std::string& path) = 0;
    // Opens the file manager's properties of path; false when no file manager offers them.
    virtual bool ShowProperties(const std::string& path) = 0;
};

// file:// URL of a byte path, percent-encoded from the raw bytes.
QUrl FileUrl(const std::string& path);

// org.freedesktop.FileManager1 where the session bus has it; else ShowItem opens the folder
// with openUrl (xdg-open) and ShowProperties answers false.
class DesktopFileManager : public FileManagerService {
public:
    explicit DesktopFileManager(std::function<bool(const QUrl&)> openUrl) : openUrl_(std::move(openUrl)) {}
    bool ShowItem(const std::string& path) override;
    bool ShowProperties(const std::string& path) override;

private:
    std::function<bool(const QUrl&)> openUrl_;
};

}  // namespace vantum::app
