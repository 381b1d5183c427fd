#include "views/row_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library: their initialiser must be referenced from code that
// is linked, and Q_INIT_RESOURCE may not be used inside a namespace.
static void InitViewResources() { Q_INIT_RESOURCE(views_icons); }

namespace vantum::views {

namespace {

QIcon Render(const char* resource) {
    QSvgRenderer svg(QString::fromLatin1(resource));
    QIcon icon;
    if (!svg.isValid()) return icon;
    for (int scale : {1, 2}) {
        QPixmap pm(16 * scale, 16 * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        svg.render(&p);
        p.end();
        pm.setDevicePixelRatio(scale);
        icon.addPixmap(pm);
    }
    return icon;
}

struct IconSet {
    IconSet() {
        InitViewResources();
        pie = Render(":/views/icons/folder_pie.svg");
        marked = Render(":/views/icons/folder_mark.svg");
        open = Render(":/views/icons/folder_open.svg");
        closed = Render(":/views/icons/folder_closed.svg");
    }
    QIcon pie, marked, open, closed;
};

}  // namespace

QIcon RowIcon(RowImage image) {
    static const IconSet set;  // needs a QGuiApplication; built at the first paint
    switch (image) {
        case RowImage::FolderPie: return set.pie;
        case RowImage::FolderMarked: return set.marked;
        case RowImage::FolderOpen: return set.open;
        case RowImage::FolderClosed: return set.closed;
    }
    return {};
}

}  // namespace vantum::views
