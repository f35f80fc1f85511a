// The pieces a new name is built from.
#include "name_parts.h"

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

} // namespace naming
