#include "gui/qt_prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace vantum::gui {

namespace {

QMessageBox::Icon IconOf(Prompts::Kind kind) {
    switch (kind) {
    case Prompts::Kind::Information: return QMessageBox::Information;
    case Prompts::Kind::Warning: return QMessageBox::Warning;
    case Prompts::Kind::Error: return QMessageBox::Critical;
    case Prompts::Kind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(Prompts::Buttons b) {
    switch (b) {
    case Prompts::Buttons::Ok: return QMessageBox::Ok;
    case Prompts::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Prompts::Buttons::YesCancel: return QMessageBox::Yes | QMessageBox::Cancel;
    case Prompts::Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompts::Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The application's title on every box, as the classic message boxes had.
QString Title() { return QApplication::applicationName(); }

// The filter index chosen in a dialog, 1-based.
int IndexOf(const QStringList& filters, const QString& chosen) {
    int i = static_cast<int>(filters.indexOf(chosen));
    return i < 0 ? 1 : i + 1;
}

}  // namespace

QStringList QtPrompts::NameFilters(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses; add them when the name lacks them,
        // keeping the whole name: "CSV (;)" and "CSV (,)" must stay two filters.
        if (!name.endsWith(QStringLiteral("(") + patterns + QLatin1Char(')')))
            name += QStringLiteral(" (") + patterns + QLatin1Char(')');
        // The chosen filter is found by its text: equal texts would all map to the first.
        const QString base = name;
        for (int n = 2; out.contains(name); ++n) name = base + QStringLiteral(" [%1]").arg(n);
        out << name;
    }
    if (out.isEmpty() && !filter.isEmpty()) out << filter;
    return out;
}

void QtPrompts::Message(const QString& text, Kind kind) {
    QMessageBox box(IconOf(kind), Title(), text, QMessageBox::Ok, parent_);
    box.exec();
}

Prompts::Answer QtPrompts::Ask(const QString& text, Buttons buttons, Kind kind) {
    QMessageBox box(IconOf(kind), Title(), text, ButtonsOf(buttons), parent_);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<QString> QtPrompts::Input(const QString& caption, const QString& prompt, const QString& value) {
    bool ok = false;
    QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok) return std::nullopt;
    return text;
}

std::optional<Prompts::FileChoice> QtPrompts::OpenFile(const QString& title, const QString& filter,
                                                       const QString& defaultExt, const QString& dir) {
    QFileDialog d(parent_, title, dir);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(filter);
    d.setNameFilters(filters);
    if (!defaultExt.isEmpty()) d.setDefaultSuffix(defaultExt.startsWith('.') ? defaultExt.mid(1) : defaultExt);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return FileChoice{d.selectedFiles().front(), IndexOf(filters, d.selectedNameFilter())};
}

std::optional<Prompts::FileChoice> QtPrompts::SaveFile(const QString& title, const QString& filter,
                                                       const QString& defaultExt, const QString& dir,
                                                       const QString& fileName, bool confirmOverwrite) {
    QFileDialog d(parent_, title, dir);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = NameFilters(filter);
    d.setNameFilters(filters);
    if (!defaultExt.isEmpty()) d.setDefaultSuffix(defaultExt.startsWith('.') ? defaultExt.mid(1) : defaultExt);
    if (!fileName.isEmpty()) d.selectFile(fileName);
    if (!confirmOverwrite) d.setOption(QFileDialog::DontConfirmOverwrite);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return FileChoice{d.selectedFiles().front(), IndexOf(filters, d.selectedNameFilter())};
}

std::optional<QString> QtPrompts::BrowseFolder(const QString& title, const QString& start) {
    QFileDialog d(parent_, title, start);
    d.setFileMode(QFileDialog::Directory);
    d.setOption(QFileDialog::ShowDirsOnly);
    if (!start.isEmpty() && QFileInfo(start).isDir()) d.setDirectory(start);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().front();
}

std::optional<QColor> QtPrompts::PickColor(const QColor& initial) {
    QColor c = QColorDialog::getColor(initial, parent_);
    if (!c.isValid()) return std::nullopt;
    return c;
}

}  // namespace vantum::gui
