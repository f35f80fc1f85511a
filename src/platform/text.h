// The number and blank conventions of the user-visible texts, and letter case without a locale.
#pragma once

#include <QString>

namespace platform {

/// Number to text with room for a sign: one blank before a non-negative number (" 12"), "-" before
/// a negative one ("-3").
QString signedNumberText(qint64 number);

/// Drops leading and trailing blanks (U+0020 only; tabs and other white space stay).
QString trimBlanks(const QString& text);

/// Upper-cases character by character with the simple Unicode mapping, Cyrillic included: the
/// length stays, so "ß" and "ﬁ" stay as they are. The mapping does not depend on the locale the
/// program starts in, so case-insensitive matches are the same for every user.
QString upperCase(const QString& text);

/// Whether `a` and `b` are equal once upper-cased character by character with the simple Unicode
/// mapping, Cyrillic included. A character keeps its length, so "ß" and "ﬁ" stay as they are.
/// The mapping does not depend on the locale the program starts in, so case-insensitive matches
/// are the same for every user.
bool equalsIgnoringCase(QStringView a, QStringView b);

/// A hash of the upper case of `text` as equalsIgnoringCase sees it, found without building it:
/// texts that equalsIgnoringCase finds equal hash alike.
size_t caselessHash(QStringView text, size_t seed = 0);

} // namespace platform
