// Natural, case-insensitive name order written out by hand: QCollator's numeric mode does
// nothing under some locales (C.UTF-8 among them), and the order must not depend on the locale.
#include "filesystem/natural_order.h"

#include "platform/file_names.h"

#include <QStringView>
#include <algorithm>

namespace filesystem {

namespace {

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

void appendNaturalSortKey(std::string& out, QStringView folded) {
    // UTF-8 bytes compare in code point order. A digit run becomes '0', the number of its
    // significant digits, then those digits: a longer number sorts later whatever its digits,
    // and the leading '0' compares with any other character as every digit would.
    // No code unit takes more than three bytes, nor a digit run more than three per digit, so the
    // key is written straight into room made once.
    const size_t start = out.size();
    out.resize(start + 3 * size_t(folded.size()));
    char* key = out.data() + start;
    qsizetype i = 0;
    while (i < folded.size()) {
        const QChar c = folded.at(i);
        if (isDigit(c)) {
            while (i < folded.size() && folded.at(i) == u'0')
                ++i;
            const qsizetype begin = i;
            while (i < folded.size() && isDigit(folded.at(i)))
                ++i;
            // A file name has at most 255 digits, so the count fits one byte; longer runs in
            // text that is no file name still sort sensibly by saturating.
            *key++ = '0';
            *key++ = char(std::min<qsizetype>(i - begin, 255));
            for (qsizetype d = begin; d < i; ++d)
                *key++ = char(folded.at(d).unicode());
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < folded.size() && folded.at(i + 1).isLowSurrogate()) {
            key = platform::writeUtf8(key, QChar::surrogateToUcs4(c, folded.at(i + 1)));
            i += 2;
            continue;
        }
        key = platform::writeUtf8(key, c.unicode());
        ++i;
    }
    out.resize(size_t(key - out.data()));
}

std::string naturalSortKey(QStringView folded) {
    std::string key;
    appendNaturalSortKey(key, folded);
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
