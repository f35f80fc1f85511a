// The preview: new names from the current names and the naming parameters.
#include "build_new_names.h"

#include "naming/naming_checks.h"
#include "naming/naming_rule.h"
#include "naming/resolve_duplicate_names.h"
#include "platform/dialogs.h"
#include "platform/file_view.h"
#include "platform/name_list_model.h"
#include "platform/progress.h"
#include "platform/stop_request.h"

using namespace Qt::StringLiterals;

namespace naming {

void BuildNewNames(const NamingContext& context, NamingParameters parameters) {
    context.lstNew.clear();
    parameters.ending = endingWithDot(parameters.ending);

    const QString warning = namingWarning(parameters, !context.File2.name(1).isEmpty());
    if (!warning.isEmpty()) {
        context.dialogs.message(warning, u"ВНИМАНИЕ !!!"_s);
        return;
    }

    const qsizetype count = context.File2.count();
    context.prb1.setMaximum(count);
    // One model change for the whole list, however long.
    context.lstNew.addItems(newNames(
        count, [&](qsizetype row) { return context.File2.name(row); }, parameters,
        [&](qsizetype number) { context.prb1.setValue(number); }));
    if (platform::stopRequested()) {
        context.lstNew.clear();
        return;
    }

    ResolveDuplicateNames(context);
}

} // namespace naming
