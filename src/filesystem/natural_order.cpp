// Natural, case-insensitive name order written out by hand: QCollator's numeric mode does
// nothing under some locales (C.UTF-8 among them), and the order must not depend on the locale.
#include "filesystem/natural_order.h"

#include <QStringView>

namespace filesystem {

namespace {

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(char(code));
    } else if (code < 0x800) {
        out.push_back(char(0xC0 | (code >> 6)));
        out.push_back(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(char(0xE0 | (code >> 12)));
        out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (code >> 18)));
        out.push_back(char(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code & 0x3F)));
    }
}

} // namespace

std::string naturalSortKey(QStringView folded) {
    // UTF-8 bytes compare in code point order. A digit run becomes '0', the number of its
    // significant digits, then those digits: a longer number sorts later whatever its digits,
    // and the leading '0' compares with any other character as every digit would.
    std::string key;
    key.reserve(size_t(folded.size()) + 4);
    qsizetype i = 0;
    while (i < folded.size()) {
        const QChar c = folded.at(i);
        if (isDigit(c)) {
            while (i < folded.size() && folded.at(i) == u'0')
                ++i;
            const qsizetype begin = i;
            while (i < folded.size() && isDigit(folded.at(i)))
                ++i;
            // A file name has at most 255 bytes, so the count fits one byte; longer runs in
            // text that is no file name still sort sensibly by saturating.
            key.push_back('0');
            key.push_back(char(std::min<qsizetype>(i - begin, 255)));
            for (qsizetype d = begin; d < i; ++d)
                key.push_back(char(folded.at(d).unicode()));
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < folded.size() && folded.at(i + 1).isLowSurrogate()) {
            appendUtf8(key, QChar::surrogateToUcs4(c, folded.at(i + 1)));
            i += 2;
            continue;
        }
        appendUtf8(key, c.unicode());
        ++i;
    }
    return key;
}

bool naturalLess(std::string_view keyA, QStringView nameA, std::string_view keyB,
                 QStringView nameB) {
    if (const int natural = keyA.compare(keyB))
        return natural < 0;
    // Equal keys are rare (names differing in case or leading zeros only): fold again here
    // rather than keep a folded copy of every name.
    if (const int folded =
            QStringView(nameA.toString().toCaseFolded()).compare(nameB.toString().toCaseFolded()))
        return folded < 0;
    return nameA.compare(nameB) < 0;
}

bool naturalLess(const QString& a, const QString& b) {
    return naturalLess(naturalSortKey(a.toCaseFolded()), a, naturalSortKey(b.toCaseFolded()), b);
}

} // namespace filesystem
