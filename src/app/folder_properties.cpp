#include "app/folder_properties.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "gui/path_text.h"
#include "core/size_format.h"
#include "platform/safe_walk.h"

namespace vantum::app {

namespace {

class FactsWalk : public platform::WalkVisitor {
public:
    FactsWalk(FolderFacts& facts, const std::function<bool()>& cancel) : f_(facts), cancel_(cancel) {}
    bool Cancelled() override { return cancel_ && cancel_(); }
    void Entry(int, const std::string&, const platform::EntryInfo& info) override {
        ++f_.files;
        if (Count(info) && (info.IsRegular() || info.IsLink())) f_.apparentBytes += info.size;
    }
    bool Enter(int, const std::string&, int, const platform::EntryInfo& info) override {
        if (top_) top_ = false;
        else ++f_.folders;
        Count(info);
        return true;
    }
    void Failed(const std::string&, int, const std::string&) override { ++f_.unreadable; }

private:
    // Both sizes count a file with several names once, as du does; false for a later name.
    bool Count(const platform::EntryInfo& info) {
        if (info.nlink > 1 && !info.IsDir() && !seen_.insert({info.dev, info.ino}).second) return false;
        f_.diskBytes += info.blocks;
        return true;
    }
    FolderFacts& f_;
    const std::function<bool()>& cancel_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;
    bool top_ = true;
};

QString SizeLine(std::uint64_t bytes) {
    return QStringLiteral("%1 (%2 bytes)")
        .arg(QString::fromStdString(FormatSize(static_cast<double>(bytes) / 1048576.0)).trimmed(),
             QLocale::system().toString(static_cast<qulonglong>(bytes)));
}

QString UserName(unsigned uid) {
    if (const passwd* p = ::getpwuid(uid)) return QString::fromLocal8Bit(p->pw_name);
    return QString::number(uid);
}

QString GroupName(unsigned gid) {
    if (const group* g = ::getgrgid(gid)) return QString::fromLocal8Bit(g->gr_name);
    return QString::number(gid);
}

QString TimeText(std::time_t t) {
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString Count(std::uint64_t n, const char* noun) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(noun)).arg(n == 1 ? "" : "s");
}

QLabel* Value(const QString& text) {
    auto* l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

}  // namespace

FolderFacts GatherFolderFacts(const std::string& path, const std::function<bool()>& cancel) {
    FolderFacts f;
    f.path = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        f.error = errno;
        return f;
    }
    f.mode = st.st_mode;
    f.uid = st.st_uid;
    f.gid = st.st_gid;
    f.modified = st.st_mtime;
    f.accessed = st.st_atime;
    if (!S_ISDIR(st.st_mode)) {
        f.error = ENOTDIR;
        return f;
    }
    FactsWalk walk(f, cancel);
    platform::SafeWalk w;
    w.Run(path, walk);
    f.cancelled = w.Cancelled();
    return f;
}

QString PermissionText(unsigned mode) {
    QString s = S_ISDIR(mode) ? QStringLiteral("d") : S_ISLNK(mode) ? QStringLiteral("l") : QStringLiteral("-");
    const char* letters = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) s += (mode & (0400u >> i)) ? QLatin1Char(letters[i]) : QLatin1Char('-');
    return s + QStringLiteral("  (%1)").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QWidget* ShowFolderPropertiesWindow(const FolderFacts& facts, QWidget* parent) {
    auto* dlg = new QDialog(parent);
    dlg->setObjectName(QStringLiteral("FolderProperties"));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    const QString path = gui::FromBytes(facts.path);
    dlg->setWindowTitle(QStringLiteral("Properties of %1").arg(QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName()));
    dlg->setMinimumWidth(420);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Path:"), Value(path));
    if (facts.error) {
        form->addRow(QStringLiteral("Error:"), Value(QString::fromLocal8Bit(std::strerror(facts.error))));
    } else {
        const QString partial = facts.cancelled ? QStringLiteral(" (stopped, incomplete)") : QString();
        form->addRow(QStringLiteral("Size on disk:"), Value(SizeLine(facts.diskBytes) + partial));
        form->addRow(QStringLiteral("Size:"), Value(SizeLine(facts.apparentBytes) + partial));
        form->addRow(QStringLiteral("Contains:"),
                     Value(Count(facts.files, "file") + QStringLiteral(", ") + Count(facts.folders, "folder")));
        if (facts.unreadable)
            form->addRow(QStringLiteral("Not readable:"), Value(QStringLiteral("%1 items").arg(facts.unreadable)));
        form->addRow(QStringLiteral("Owner:"), Value(UserName(facts.uid) + QStringLiteral(" : ") + GroupName(facts.gid)));
        form->addRow(QStringLiteral("Permissions:"), Value(PermissionText(facts.mode)));
        form->addRow(QStringLiteral("Modified:"), Value(TimeText(facts.modified)));
        form->addRow(QStringLiteral("Accessed:"), Value(TimeText(facts.accessed)));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::close);
    auto* layout = new QVBoxLayout(dlg);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dlg->show();
    return dlg;
}

}  // namespace vantum::app
