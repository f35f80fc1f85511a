// File mask matching without a regular expression per name: the masks are folded once, and each
// name is matched by a backtracking wildcard walk that is linear for the usual "*.ext" masks.
#include "filesystem/file_mask.h"

namespace filesystem {

namespace {

constexpr QChar star = QLatin1Char('*');
constexpr QChar question = QLatin1Char('?');
constexpr QChar dot = QLatin1Char('.');

// The length of the character at `at`, so that "?" takes a whole surrogate pair.
qsizetype charLength(QStringView text, qsizetype at) {
    return at + 1 < text.size() && text.at(at).isHighSurrogate() && text.at(at + 1).isLowSurrogate()
               ? 2
               : 1;
}

bool globMatches(QStringView glob, QStringView name) {
    qsizetype g = 0;
    qsizetype n = 0;
    qsizetype afterStar = -1; // glob position just past the last "*"
    qsizetype starFrom = 0;   // where in the name that "*" currently ends
    while (n < name.size()) {
        if (g < glob.size() && glob.at(g) == star) {
            afterStar = ++g;
            starFrom = n;
        } else if (g < glob.size() && glob.at(g) == question) {
            n += charLength(name, n);
            ++g;
        } else if (g < glob.size() && glob.at(g) == name.at(n)) {
            ++n;
            ++g;
        } else if (afterStar >= 0) {
            // Let the last "*" take one more character and try the rest again.
            starFrom += charLength(name, starFrom);
            n = starFrom;
            g = afterStar;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob.at(g) == star)
        ++g;
    return g == glob.size();
}

bool onlyStars(QStringView glob) {
    for (QChar c : glob) {
        if (c != star)
            return false;
    }
    return !glob.isEmpty();
}

} // namespace

FileMask::FileMask(const QString& pattern) {
    const QString folded = pattern.toCaseFolded();
    for (QStringView part : QStringView(folded).split(QLatin1Char(';'))) {
        while (!part.isEmpty() && part.front() == QLatin1Char(' '))
            part = part.sliced(1);
        while (!part.isEmpty() && part.back() == QLatin1Char(' '))
            part.chop(1);
        if (part.isEmpty())
            continue;

        Alternative alternative;
        alternative.glob = part.toString();
        if (part.endsWith(u".*")) {
            alternative.bareGlob = part.chopped(2).toString();
            alternative.extra = Alternative::Extra::Bare;
        } else if (part.endsWith(dot)) {
            QStringView bare = part;
            while (bare.endsWith(dot))
                bare.chop(1);
            alternative.bareGlob = bare.toString();
            alternative.extra = Alternative::Extra::BareWithoutDot;
        }
        if (onlyStars(alternative.glob) ||
            (alternative.extra == Alternative::Extra::Bare && onlyStars(alternative.bareGlob)))
            m_matchesAll = true;
        m_alternatives.append(alternative);
    }
}

bool FileMask::matchesFolded(QStringView foldedName) const {
    if (m_matchesAll)
        return true;
    for (const Alternative& alternative : m_alternatives) {
        if (globMatches(alternative.glob, foldedName))
            return true;
        switch (alternative.extra) {
        case Alternative::Extra::None:
            break;
        case Alternative::Extra::Bare:
            if (globMatches(alternative.bareGlob, foldedName))
                return true;
            break;
        case Alternative::Extra::BareWithoutDot:
            if (!foldedName.contains(dot) && globMatches(alternative.bareGlob, foldedName))
                return true;
            break;
        }
    }
    return false;
}

} // namespace filesystem
