// The number and blank conventions of the user-visible texts, and letter case without a locale.
#include "platform/text.h"

#include <algorithm>
#include <utility>

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

/// The characters beyond ASCII whose upper case exFAT's up-case table (as its formatters write
/// it) gives as the simple Unicode mapping does, from the Latin, Greek, Cyrillic and Armenian
/// blocks old enough for every table; first and last of each run. Left out are those whose case
/// crosses over to ASCII (İ, ı, ſ) and those the table leaves alone (µ, the title-case digraphs,
/// the Greek symbol forms, letters added to Unicode since).
constexpr std::pair<char16_t, char16_t> kSureFolds[] = {
    {0x00C0, 0x00FF}, {0x0100, 0x012F}, {0x0132, 0x017E}, {0x0180, 0x01C4}, {0x01C6, 0x01C7},
    {0x01C9, 0x01CA}, {0x01CC, 0x01F1}, {0x01F3, 0x0239}, {0x023B, 0x023D}, {0x0241, 0x024F},
    {0x0386, 0x03CF}, {0x03D8, 0x03EF}, {0x03F6, 0x03FF}, {0x0400, 0x0513}, {0x0531, 0x0586},
    {0x1E00, 0x1E9A}, {0x1E9C, 0x1EFA}, {0x1F00, 0x1F7F}, {0xFF21, 0xFF5A},
};

bool foldsSurely(char16_t unit) {
    const auto* run =
        std::upper_bound(std::begin(kSureFolds), std::end(kSureFolds), unit,
                         [](char16_t value, const std::pair<char16_t, char16_t>& range) {
                             return value < range.first;
                         });
    return run != std::begin(kSureFolds) && unit <= std::prev(run)->second;
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

QString caselessKey(const QString& name, bool asciiOnly) {
    const qsizetype size = name.size();
    const auto* units = reinterpret_cast<const char16_t*>(name.utf16());
    QString key;
    char16_t* out = nullptr;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        char16_t folded = unit;
        if (unit >= u'a' && unit <= u'z')
            folded = char16_t(unit - (u'a' - u'A'));
        else if (unit >= 0xC0 && !asciiOnly && foldsSurely(unit))
            folded = char16_t(QChar::toUpper(unit));
        if (folded == unit)
            continue;
        // Most names of a folder are their own key: they are shared, not copied.
        if (!out) {
            key = name;
            out = reinterpret_cast<char16_t*>(key.data());
        }
        out[i] = folded;
    }
    return out ? key : name;
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
