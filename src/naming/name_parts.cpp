// The pieces a new name is built from.
#include "name_parts.h"

using namespace Qt::StringLiterals;

namespace naming {

qsizetype endingLength(QStringView name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? 0 : name.size() - dot;
}

QStringView stem(QStringView name) {
    return name.first(name.size() - endingLength(name));
}

QStringView ownEnding(QStringView name) {
    return name.last(endingLength(name));
}

QString additionText(const QString& addition, qsizetype number, qsizetype count) {
    if (addition == u"1"_s)
        return QString::number(number);
    if (addition == u"01"_s) {
        const qsizetype width = std::max<qsizetype>(QString::number(count).size(), 2);
        return QString::number(number).rightJustified(width, u'0');
    }
    return {};
}

} // namespace naming
