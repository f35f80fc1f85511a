// The number and blank conventions of the user-visible texts, and letter case without a locale.
#include "platform/text.h"

namespace platform {

namespace {

/// The upper case of the character at `i`, one code unit or a surrogate pair, by the simple
/// mapping; a character whose upper case would take another number of code units stays as it
/// is. Moves `i` past the character.
char32_t upperAt(const char16_t* units, qsizetype size, qsizetype& i) {
    const char16_t unit = units[i++];
    if (unit < 0x80)
        return unit >= u'a' && unit <= u'z' ? char32_t(unit - (u'a' - u'A')) : char32_t(unit);
    if (QChar::isHighSurrogate(unit) && i < size && QChar::isLowSurrogate(units[i])) {
        const char32_t point = QChar::surrogateToUcs4(unit, units[i++]);
        const char32_t upper = QChar::toUpper(point);
        return QChar::requiresSurrogates(upper) ? upper : point;
    }
    const char32_t upper = QChar::toUpper(char32_t(unit));
    return QChar::requiresSurrogates(upper) ? char32_t(unit) : upper;
}

} // namespace

QString signedNumberText(qint64 number) {
    QString digits = QString::number(number);
    if (number >= 0)
        digits.prepend(QLatin1Char(' '));
    return digits;
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString upperCase(const QString& text) {
    const qsizetype size = text.size();
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    QString upper;
    char16_t* out = nullptr;
    for (qsizetype i = 0; i < size;) {
        const qsizetype at = i;
        const char32_t mapped = upperAt(units, size, i);
        const bool pair = i - at == 2;
        const char32_t original =
            pair ? QChar::surrogateToUcs4(units[at], units[at + 1]) : units[at];
        if (mapped != original && !out) {
            upper = text;
            out = reinterpret_cast<char16_t*>(upper.data());
        }
        if (out && pair) {
            out[at] = QChar::highSurrogate(mapped);
            out[at + 1] = QChar::lowSurrogate(mapped);
        } else if (out) {
            out[at] = char16_t(mapped);
        }
    }
    return out ? upper : text;
}

bool equalsIgnoringCase(QStringView a, QStringView b) {
    const qsizetype size = a.size();
    if (b.size() != size)
        return false;
    const char16_t* unitsA = a.utf16();
    const char16_t* unitsB = b.utf16();
    qsizetype i = 0;
    qsizetype j = 0;
    // Each character keeps its length, so equal characters keep both texts in step.
    while (i < size) {
        if (upperAt(unitsA, size, i) != upperAt(unitsB, size, j))
            return false;
    }
    return true;
}

size_t caselessHash(QStringView text, size_t seed) {
    const qsizetype size = text.size();
    const char16_t* units = text.utf16();
    size_t hash = seed ^ 0xcbf29ce484222325u;
    for (qsizetype i = 0; i < size;)
        hash = (hash ^ upperAt(units, size, i)) * 0x100000001b3u;
    return hash;
}

} // namespace platform
