// Settling repeated new names with the user's help.
//
// The rows are asked about in list order, each row whose name occurs again further down. A hash
// index finds those rows without comparing every pair, and gives the prompts of a pairwise scan
// in the same order, for two reasons: when row r comes up, r and every later row still hold their
// generated names (only earlier rows have been asked about), so r is asked about exactly when its
// generated name occurs again further down; and an accepted answer is unique in the whole list
// and stays unique, so a row is asked about at most once.
#include "resolve_duplicate_names.h"

#include "naming/duplicate_index.h"
#include "platform/new_name_list.h"
#include "platform/progress.h"
#include "platform/stop_request.h"

namespace naming {

namespace {

/// Asks for row `row`'s individual name until the answer is held by no other row. Returns false
/// when the user gave up.
bool askIndividualName(QStringList& names, platform::NewNameList& list, DuplicateIndex& index,
                       qsizetype row) {
    QString defaultText = names.at(row);
    for (;;) {
        const std::optional<QString> answer = list.askName(defaultText);
        if (!answer)
            return false;
        // A refused answer stays in the list while the box asks again, so the user sees what
        // was refused; a later give-up clears it with everything else.
        index.replace(names.at(row), *answer);
        names[row] = *answer;
        list.changed(row, *answer);
        if (!index.isRepeated(*answer))
            return true;
        defaultText = *answer;
    }
}

} // namespace

std::optional<QStringList> ResolveDuplicateNames(QStringList names, platform::NewNameList& list,
                                                 platform::Progress& progress) {
    const qsizetype count = names.size();
    DuplicateIndex index(names);
    for (qsizetype i = 1; i <= count - 1; ++i) {
        // A program asked to end gives up as the user would, before the next prompt.
        if (platform::stopRequested())
            return std::nullopt;
        progress.setValue(i);
        if (index.repeatsLater(i - 1)) {
            list.highlight(i - 1);
            if (!askIndividualName(names, list, index, i - 1))
                return std::nullopt;
        }
    }
    progress.setValue(0);
    return names;
}

} // namespace naming
