// The fonts the windows were designed with.
#include "widgets/classic_font.h"

#include <QFontDatabase>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace widgets {

QFont classicFont(qreal pointSize, bool bold) {
    static const bool hasClassic = QFontDatabase::families().contains(u"MS Sans Serif"_s);
    QFont font = hasClassic ? QFont(u"MS Sans Serif"_s) : QGuiApplication::font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont dialogFont() {
    QFont font = QGuiApplication::font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

} // namespace widgets
