#include "export/number_format.h"

namespace vantum::exporting {

bool IsValidNumberFormat(const QString& format) {
    if (format.isEmpty() || format.size() > 255) return false;
    static const QString kPlain = QStringLiteral("0#?.,%+-/ ():$!^&'~{}<>=@EedDmMyYhHsSaApPbB");
    int sections = 1;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
        if (c == u'"') {
            const qsizetype end = format.indexOf(u'"', i + 1);
            if (end < 0) return false;
            i = end;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            if (++i >= format.size()) return false;
        } else if (c == u'[') {
            const qsizetype end = format.indexOf(u']', i + 1);
            if (end < 0 || end == i + 1) return false;
            i = end;
        } else if (c == u';') {
            if (++sections > 4) return false;
        } else if (format.mid(i, 7).compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) {
            i += 6;
        } else if (!kPlain.contains(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace vantum::exporting
