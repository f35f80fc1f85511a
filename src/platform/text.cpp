// The classic runtime's string conventions.
#include "platform/text.h"

namespace platform {

QString classicNumberText(qint64 number) {
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
    return text.toUpper();
}

} // namespace platform
