// The file mask of a file view: "*" and "?", several masks joined by ";", any letter case.
#pragma once

#include <QList>
#include <QString>

namespace filesystem {

/// A file mask such as "*.jpg;*.png". Matching ignores letter case. "*.*" matches every name, with
/// or without a dot; "name.*" also matches "name"; a mask ending in "." matches names without an
/// ending. Blanks around each mask are dropped; an empty mask matches nothing.
class FileMask {
public:
    explicit FileMask(const QString& pattern = {});

    /// Whether the mask matches a name, given case-folded (QString::toCaseFolded): the folder
    /// listing folds each name once, for the mask and for the order alike.
    bool matchesFolded(QStringView foldedName) const;

private:
    struct Alternative {
        QString glob; // matched against the whole name
        QString
            bareGlob; // "x.*" also matches what "x" matches; "x." what "x" matches without a dot
        enum class Extra { None, Bare, BareWithoutDot } extra = Extra::None;
    };
    QList<Alternative> m_alternatives;
    bool m_matchesAll = false;
};

} // namespace filesystem
