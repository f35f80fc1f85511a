// The swap pre-pass written out literally, as the reference the indexed pass is held to. It calls
// nothing of the program: its own upper case, its own pairwise scan.
#pragma once

#include <QString>
#include <QStringList>

/// Upper case for the letters the tests use: Latin, Cyrillic with ё, and é. Everything else,
/// "ß" and "ﬁ" included, stays as it is: one character for one.
inline QString literalUpper(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'а' && u <= u'я') || u == u'é')
            c = QChar(char16_t(u - 0x20));
        else if (u == u'ё')
            c = QChar(u'Ё');
    }
    return result;
}

/// The pairwise scan, literally: every new name against every current name, exchanged in place.
/// With `preferExact`, a new name that some current name equals exactly matches only that row.
inline QStringList literalPrePass(QStringList newNames, const QStringList& currentNames,
                                  bool preferExact = true) {
    for (qsizetype i = 0; i < newNames.size(); ++i)
        for (qsizetype j = 0; j < newNames.size(); ++j) {
            const bool owned = preferExact && currentNames.contains(newNames.at(i));
            const bool match =
                owned ? currentNames.value(j) == newNames.at(i)
                      : literalUpper(newNames.at(i)) == literalUpper(currentNames.value(j));
            if (match)
                newNames.swapItemsAt(i, j);
        }
    return newNames;
}
