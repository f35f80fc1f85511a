// Names as the program carries them: text that maps back to the exact bytes Linux holds.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform {

/// The text form of a file name or path: valid UTF-8 decodes as usual, and every other byte 0xXY
/// becomes the lone code unit U+DCXY. UTF-8 that would itself encode U+DC80..U+DCFF is invalid
/// (a surrogate), so its bytes are escaped too, and two different byte names never share a text.
QString decodeFileName(QByteArrayView bytes);

/// The bytes of a text form: the inverse of decodeFileName. Other text encodes as UTF-8; a lone
/// surrogate outside the escapes, which no listing produces, is written as U+FFFD.
QByteArray encodeFileName(QStringView name);

/// Whether `name` holds an escaped byte, that is, whether its bytes are not valid UTF-8.
bool hasEscapedBytes(QStringView name);

/// The name as users see it: every escaped byte as U+FFFD.
QString shownFileName(const QString& name);

/// `typed`, an edit of shownFileName(`name`), with its U+FFFD marks mapped back in order to what
/// each mark of the shown name stands for (an escaped byte, or a U+FFFD of the name's own), so
/// that bytes the user did not touch keep their value. When the counts of marks differ, the user
/// has added or removed marks, and `typed` is taken as it is.
QString restoreShownMarks(const QString& typed, const QString& name);

/// Writes `codePoint` (at most U+10FFFF) as UTF-8 at `out`, which has room for four bytes, and
/// returns the end of what it wrote. Inline: the sort keys of a large folder write every
/// character through it.
inline char* writeUtf8(char* out, char32_t codePoint) {
    if (codePoint < 0x80) {
        *out++ = char(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = char(0xC0 | (codePoint >> 6));
        *out++ = char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = char(0xE0 | (codePoint >> 12));
        *out++ = char(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = char(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = char(0xF0 | (codePoint >> 18));
        *out++ = char(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = char(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = char(0x80 | (codePoint & 0x3F));
    }
    return out;
}

} // namespace platform
