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

/// A name as a file system that ignores letter case is sure to compare it: ASCII letters in
/// upper case, and unless `asciiOnly` (FAT's drivers fold no other) the letters on which exFAT's
/// up-case table and the simple Unicode mapping agree. Every other character stays as it is, so
/// two names whose match would hang on a character some driver folds otherwise (ı, ſ, µ, the
/// Kelvin sign) have two keys: no collision is foretold that the disk may not see.
QString caselessKey(const QString& name, bool asciiOnly);

/// A hash of the upper case of `text` as equalsIgnoringCase sees it, found without building it:
/// texts that equalsIgnoringCase finds equal hash alike.
size_t caselessHash(QStringView text, size_t seed = 0);

} // namespace platform
