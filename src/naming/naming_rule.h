// The naming parameters and the rule that turns one current file name into its new name.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace naming {

/// The naming page's texts: txtName, cboDop and cboEnd, as they are after the ending's dot rule.
struct NamingParameters {
    QString baseName;
    QString addition;
    QString ending;
};

/// Builds new names for the files of one preview. The keep markers are decided once, on the
/// trimmed texts; the base name itself is used exactly as typed, blanks included.
class NamingRule {
public:
    NamingRule(const NamingParameters& parameters, qsizetype count);

    /// The new name for `current`, the file with running number `number` (1 to count).
    QString newName(const QString& current, qsizetype number) const;

private:
    enum class Numbering { None, Plain, Padded };

    QString m_baseName;
    QString m_ending;
    Numbering m_numbering;
    qsizetype m_width; ///< of a padded number ("01"): the digits of the count, at least 2
    bool m_keepStem;
    bool m_keepEnding;
};

/// One new name for each of the `count` current names, in the same order; `current` reads the
/// current name of a row (0 to count - 1), so a large folder's names need not all be held as
/// strings at once. Repeats are left for the user to settle. `beforeName`, when given, is called
/// with each running number before that name is built.
QStringList newNames(qsizetype count, const std::function<QString(qsizetype row)>& current,
                     const NamingParameters& parameters,
                     const std::function<void(qsizetype number)>& beforeName = {});

} // namespace naming
