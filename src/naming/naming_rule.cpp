// The rule that turns a current file name into its new name.
#include "naming_rule.h"

#include "naming/name_parts.h"
#include "platform/text.h"

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace naming {

NamingRule::NamingRule(const NamingParameters& parameters, qsizetype count)
    : m_baseName(parameters.baseName)
    , m_ending(platform::trimBlanks(parameters.ending))
    , m_numbering(parameters.addition == u"1"_s    ? Numbering::Plain
                  : parameters.addition == u"01"_s ? Numbering::Padded
                                                   : Numbering::None)
    , m_width(std::max<qsizetype>(QString::number(count).size(), 2))
    , m_keepStem(platform::trimBlanks(parameters.baseName) == u"*"_s)
    , m_keepEnding(m_ending == u".*"_s) {}

QString NamingRule::newName(const QString& current, qsizetype number) const {
    const QStringView base = m_keepStem ? stem(current) : QStringView(m_baseName);
    const QStringView end = m_keepEnding ? ownEnding(current) : QStringView(m_ending);
    // The number is written in place, padded with zeros to m_width for "01": a million names are
    // one allocation each instead of four.
    char16_t digits[40];
    char16_t* const last = std::end(digits);
    char16_t* first = last;
    if (m_numbering != Numbering::None) {
        for (qsizetype rest = number; first == last || rest > 0; rest /= 10)
            *--first = char16_t(u'0' + rest % 10);
        if (m_numbering == Numbering::Padded)
            while (last - first < m_width)
                *--first = u'0';
    }
    const QStringView numberPart(first, last - first);
    QString name(base.size() + numberPart.size() + end.size(), Qt::Uninitialized);
    QChar* out = name.data();
    for (const QStringView part : {base, numberPart, end}) {
        std::copy(part.begin(), part.end(), out);
        out += part.size();
    }
    return name;
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
