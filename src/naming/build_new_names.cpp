// The preview: new names from the current names and the naming parameters.
#include "build_new_names.h"

#include "naming/naming_checks.h"
#include "naming/naming_rule.h"
#include "naming/resolve_duplicate_names.h"
#include "platform/file_view.h"
#include "platform/new_name_list.h"
#include "platform/progress.h"
#include "platform/stop_request.h"

namespace naming {

namespace {

Preview buildNewNames(qsizetype count, const std::function<QString(qsizetype row)>& currentName,
                      NamingParameters parameters, platform::NewNameList& list,
                      platform::Progress& progress) {
    parameters.ending = endingWithDot(parameters.ending);

    const QString warning = namingWarning(parameters, count > 1);
    if (!warning.isEmpty())
        return {Preview::Ending::Warned, {}, warning};

    progress.setMaximum(count);
    QStringList names = newNames(count, currentName, parameters,
                                 [&](qsizetype number) { progress.setValue(number); });
    // The whole list at once, however long, and on the screen before any repeat is asked about.
    list.shown(names);
    if (platform::stopRequested())
        return {Preview::Ending::GivenUp, {}, {}};

    std::optional<QStringList> settled = ResolveDuplicateNames(std::move(names), list, progress);
    if (!settled)
        return {Preview::Ending::GivenUp, {}, {}};
    return {Preview::Ending::Done, std::move(*settled), {}};
}

} // namespace

Preview BuildNewNames(const QStringList& currentNames, NamingParameters parameters,
                      platform::NewNameList& list, platform::Progress& progress) {
    return buildNewNames(
        currentNames.size(), [&](qsizetype row) { return currentNames.at(row); },
        std::move(parameters), list, progress);
}

Preview BuildNewNames(const platform::FileView& currentFiles, NamingParameters parameters,
                      platform::NewNameList& list, platform::Progress& progress) {
    return buildNewNames(
        currentFiles.count(), [&](qsizetype row) { return currentFiles.name(row); },
        std::move(parameters), list, progress);
}

} // namespace naming
