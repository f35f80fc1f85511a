// Names as reversible text: every byte that is not valid UTF-8 becomes a lone surrogate that
// encodes back to that byte, so no name is lost or merged with another.
#include "platform/file_names.h"

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

/// The length of the valid UTF-8 sequence at `p` (at most `left` bytes), storing its code point;
/// 0 when the bytes there are no valid sequence: overlong forms and surrogates included.
int validSequence(const uchar* p, qsizetype left, char32_t& codePoint) {
    const uchar lead = p[0];
    int length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (p[k] & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return length;
}

void appendUtf8(QByteArray& out, char32_t codePoint) {
    char bytes[4];
    out.append(bytes, writeUtf8(bytes, codePoint) - bytes);
}

/// The first escaped byte at or after `from`, which starts no surrogate pair's second half; -1
/// when none.
qsizetype nextEscape(QStringView name, qsizetype from) {
    const qsizetype size = name.size();
    for (qsizetype i = from; i < size; ++i) {
        const char16_t unit = name.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (isEscape(unit))
            return i;
    }
    return -1;
}

} // namespace

QString decodeFileName(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size && p[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(bytes);

    // Every byte gives at most one UTF-16 unit, and a four-byte sequence two.
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype k = 0; k < i; ++k)
        *out++ = p[k];
    while (i < size) {
        if (p[i] < 0x80) {
            *out++ = p[i++];
            continue;
        }
        char32_t codePoint = 0;
        const int length = validSequence(p + i, size - i, codePoint);
        if (length == 0) {
            *out++ = char16_t(kEscapeBase + p[i++]);
        } else if (codePoint >= 0x10000) {
            *out++ = QChar::highSurrogate(codePoint);
            *out++ = QChar::lowSurrogate(codePoint);
            i += length;
        } else {
            *out++ = char16_t(codePoint);
            i += length;
        }
    }
    text.truncate(out - reinterpret_cast<const char16_t*>(text.constData()));
    return text;
}

QByteArray encodeFileName(QStringView name) {
    const char16_t* units = name.utf16();
    const qsizetype size = name.size();
    qsizetype i = 0;
    while (i < size && units[i] < 0x80)
        ++i;
    if (i == size)
        return name.toLatin1();

    QByteArray bytes;
    bytes.reserve(size * 3);
    for (qsizetype k = 0; k < i; ++k)
        bytes.append(char(units[k]));
    for (; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            bytes.append(char(unit));
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1])) {
            appendUtf8(bytes, QChar::surrogateToUcs4(unit, units[i + 1]));
            ++i;
        } else if (isEscape(unit)) {
            bytes.append(char(unit - kEscapeBase));
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(bytes, 0xFFFD);
        } else {
            appendUtf8(bytes, unit);
        }
    }
    return bytes;
}

bool hasEscapedBytes(QStringView name) {
    return nextEscape(name, 0) >= 0;
}

QString shownFileName(const QString& name) {
    qsizetype escape = nextEscape(name, 0);
    if (escape < 0)
        return name;
    QString shown = name;
    for (; escape >= 0; escape = nextEscape(name, escape + 1))
        shown[escape] = QChar::ReplacementCharacter;
    return shown;
}

QString restoreShownMarks(const QString& typed, const QString& name) {
    QString marks;
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = name.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (isEscape(unit) || unit == QChar::ReplacementCharacter)
            marks.append(QChar(unit));
    }
    if (!hasEscapedBytes(marks) || typed.count(QChar::ReplacementCharacter) != marks.size())
        return typed;
    QString restored = typed;
    qsizetype next = 0;
    for (QChar& unit : restored)
        if (unit == QChar::ReplacementCharacter)
            unit = marks.at(next++);
    return restored;
}

} // namespace platform
