#include "app/prompt_file_questions.h"

#include <QApplication>
#include <QDateTime>
#include <QStringList>

#include "gui/path_text.h"
#include "gui/prompts.h"
#include "core/size_format.h"

namespace vantum::app {

namespace {

QString ItemFacts(const FileOpQuestions::Item& item) {
    QString facts = gui::FromBytes(item.path);
    if (!item.folder) facts += QStringLiteral("\n    ") + QString::fromStdString(FormatSize(item.size / 1048576.0));
    if (item.modified)
        facts += QStringLiteral(", modified ") +
                 QDateTime::fromSecsSinceEpoch(item.modified).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return facts;
}

// A question asked in the middle of a busy command shows the normal pointer, not the wait one.
class ArrowWhileAsking {
public:
    ArrowWhileAsking() : busy_(QApplication::overrideCursor() != nullptr) {
        if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileAsking() {
        if (busy_) QApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

private:
    bool busy_;
};

}  // namespace

bool PromptFileQuestions::ConfirmDelete(const std::vector<std::string>& paths, bool toTrash) {
    QStringList names;
    for (const std::string& p : paths) names << gui::FromBytes(p);
    ArrowWhileAsking arrow;
    const bool one = paths.size() == 1;
    const QString what = one ? QStringLiteral("this item") : QStringLiteral("these %1 items").arg(paths.size());
    const QString text = toTrash
                             ? QStringLiteral("Do you really want to move %1 to the trash?\n\n").arg(what)
                             : QStringLiteral("Do you really want to delete %1 permanently? This cannot be undone.\n\n")
                                   .arg(what);
    return prompts_.Ask(text + names.join(QLatin1Char('\n')), Prompts::Buttons::YesNo,
                        toTrash ? Prompts::Kind::Confirmation : Prompts::Kind::Warning) == Prompts::Answer::Yes;
}

FileOpQuestions::Choice PromptFileQuestions::AskDeletePermanently(const std::string& path, const std::string& reason) {
    ArrowWhileAsking arrow;
    const QString text = QString::fromLocal8Bit(reason) +
                         QStringLiteral("\n\nNo trash can take \"%1\". Delete it permanently instead? "
                                        "This cannot be undone.")
                             .arg(gui::FromBytes(path));
    switch (prompts_.Ask(text, Prompts::Buttons::YesNoCancel, Prompts::Kind::Warning)) {
    case Prompts::Answer::Yes: return Choice::Yes;
    case Prompts::Answer::No: return Choice::No;
    default: return Choice::Cancel;
    }
}

FileOpQuestions::ConflictAnswer PromptFileQuestions::AskConflict(const Item& source, const Item& existing) {
    ArrowWhileAsking arrow;
    const QString text = QStringLiteral("This item exists already:\n%1\n\nReplace it with\n%2 ?\n\n"
                                        "Yes replaces it, No skips this item.")
                             .arg(ItemFacts(existing), ItemFacts(source));
    ConflictAnswer a;
    switch (prompts_.Ask(text, Prompts::Buttons::YesNoCancel, Prompts::Kind::Warning)) {
    case Prompts::Answer::Yes: a.choice = Conflict::Replace; break;
    case Prompts::Answer::No: a.choice = Conflict::Skip; break;
    default: a.choice = Conflict::Cancel; break;
    }
    return a;
}

void PromptFileQuestions::ShowError(const std::string& message) {
    ArrowWhileAsking arrow;
    prompts_.Message(QString::fromLocal8Bit(message), Prompts::Kind::Error);
}

}  // namespace vantum::app
