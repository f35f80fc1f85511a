// The classic runtime's string conventions.
#include "platform/text.h"

namespace platform {

QString numberText(qint64 number) {
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
    // QString::toUpper applies the full mapping, which turns "ß" into "SS"; the pre-pass compares
    // the upper-cased forms character for character, so each character maps to one of its own.
    const qsizetype size = text.size();
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    QString upper;
    char16_t* out = nullptr;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        char32_t mapped = unit;
        bool pair = false;
        if (unit < 0x80) {
            if (unit >= u'a' && unit <= u'z')
                mapped = unit - (u'a' - u'A');
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1])) {
            pair = true;
            const char32_t upperPoint = QChar::toUpper(QChar::surrogateToUcs4(unit, units[i + 1]));
            mapped = QChar::requiresSurrogates(upperPoint)
                         ? upperPoint
                         : QChar::surrogateToUcs4(unit, units[i + 1]);
        } else {
            const char32_t upperPoint = QChar::toUpper(char32_t(unit));
            if (!QChar::requiresSurrogates(upperPoint))
                mapped = upperPoint;
        }
        const bool changed =
            pair ? mapped != QChar::surrogateToUcs4(unit, units[i + 1]) : mapped != unit;
        if (changed && !out) {
            upper = text;
            out = reinterpret_cast<char16_t*>(upper.data());
        }
        if (out) {
            if (pair) {
                out[i] = QChar::highSurrogate(mapped);
                out[i + 1] = QChar::lowSurrogate(mapped);
            } else {
                out[i] = char16_t(mapped);
            }
        }
        if (pair)
            ++i;
    }
    return out ? upper : text;
}

} // namespace platform
