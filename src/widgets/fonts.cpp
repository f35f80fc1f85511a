// The windows' fonts: "MS Sans Serif" where the system has it, the dialog font otherwise.
#include "widgets/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace widgets {

QFont windowFont(qreal pointSize, bool bold) {
    static const bool hasSansSerif = QFontDatabase::families().contains(u"MS Sans Serif"_s);
    QFont font = hasSansSerif ? QFont(u"MS Sans Serif"_s) : QGuiApplication::font();
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
