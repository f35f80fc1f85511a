// The rule that turns a current file name into its new name.
#include "naming_rule.h"

#include "naming/name_parts.h"
#include "platform/text.h"

#include <QStringBuilder>

using namespace Qt::StringLiterals;

namespace naming {

NamingRule::NamingRule(const NamingParameters& parameters, qsizetype count)
    : m_baseName(parameters.baseName)
    , m_addition(parameters.addition)
    , m_ending(platform::trimBlanks(parameters.ending))
    , m_count(count)
    , m_keepStem(platform::trimBlanks(parameters.baseName) == u"*"_s)
    , m_keepEnding(m_ending == u".*"_s) {}

QString NamingRule::newName(const QString& current, qsizetype number) const {
    const QStringView base = m_keepStem ? stem(current) : QStringView(m_baseName);
    const QStringView end = m_keepEnding ? ownEnding(current) : QStringView(m_ending);
    return base % numberText(m_addition, number, m_count) % end;
}

QStringList newNames(qsizetype count, const std::function<QString(qsizetype row)>& current,
                     const NamingParameters& parameters,
                     const std::function<void(qsizetype number)>& beforeName) {
    const NamingRule rule(parameters, count);
    QStringList names;
    names.reserve(count);
    for (qsizetype number = 1; number <= count; ++number) {
        if (beforeName)
            beforeName(number);
        names.append(rule.newName(current(number - 1), number));
    }
    return names;
}

} // namespace naming
