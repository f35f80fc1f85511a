// Natural, case-insensitive name order written out by hand: QCollator's numeric mode does
// nothing under some locales (C.UTF-8 among them), and the order must not depend on the locale.
#include "natural_order.h"

namespace platform {

namespace {

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// UTF-16 code units reordered so that comparing them gives code point order (surrogates last).
int codePointRank(QChar c) {
    const int unit = c.unicode();
    if (unit >= 0xD800 && unit < 0xE000)
        return unit + 0x2000;
    if (unit >= 0xE000)
        return unit - 0x800;
    return unit;
}

int sign(qsizetype value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

int compareNaturalFolded(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a.at(i)) && isDigit(b.at(j))) {
            while (i < a.size() && a.at(i) == u'0')
                ++i;
            while (j < b.size() && b.at(j) == u'0')
                ++j;
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isDigit(a.at(endA)))
                ++endA;
            while (endB < b.size() && isDigit(b.at(endB)))
                ++endB;
            // Without leading zeros the longer run is the larger number, whatever its length.
            if (endA - i != endB - j)
                return sign((endA - i) - (endB - j));
            for (; i < endA; ++i, ++j) {
                if (a.at(i) != b.at(j))
                    return a.at(i) < b.at(j) ? -1 : 1;
            }
            continue;
        }
        if (a.at(i) != b.at(j))
            return codePointRank(a.at(i)) < codePointRank(b.at(j)) ? -1 : 1;
        ++i;
        ++j;
    }
    return sign((a.size() - i) - (b.size() - j));
}

bool naturalLess(const QString& foldedA, const QString& nameA, const QByteArray& bytesA,
                 const QString& foldedB, const QString& nameB, const QByteArray& bytesB) {
    if (const int natural = compareNaturalFolded(foldedA, foldedB))
        return natural < 0;
    if (const int folded = QStringView(foldedA).compare(foldedB))
        return folded < 0;
    if (const int text = QStringView(nameA).compare(nameB))
        return text < 0;
    return bytesA < bytesB;
}

bool naturalLess(const QString& a, const QString& b) {
    return naturalLess(a.toCaseFolded(), a, a.toUtf8(), b.toCaseFolded(), b, b.toUtf8());
}

} // namespace platform
