// The checks a preview makes before it builds anything.
#include "naming_checks.h"

using namespace Qt::StringLiterals;

namespace naming {

QString endingWithDot(const QString& ending) {
    if (ending.startsWith(u'.'))
        return ending;
    return u'.' + ending;
}

QString namingWarning(const NamingParameters& parameters, bool severalFiles) {
    if (parameters.addition != u"-"_s)
        return {};
    if (parameters.baseName.isEmpty())
        return u"Файлы остались без имени."_s;
    if (parameters.baseName != u"*"_s && parameters.ending != u".*"_s && severalFiles)
        return u"Все файлы с одинаковым именем."_s;
    return {};
}

} // namespace naming
