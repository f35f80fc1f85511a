// The rename pass: swap pre-pass, one rename per row, one message per failure.
#include "renaming/rename_pass.h"

#include "platform/dialogs.h"
#include "platform/file_renamer.h"
#include "platform/new_name_list.h"
#include "platform/pass_journal.h"
#include "platform/progress.h"
#include "platform/stop_request.h"
#include "renaming/swap_pre_pass.h"

using namespace Qt::StringLiterals;

namespace renaming {

PassOutcome renamePass(const platform::RenamePlan& plan, const PassSeams& seams) {
    platform::RenamePlan swapped = plan;
    // The pre-pass compares only with the first newNames.size() rows.
    swapped.newNames =
        swapPrePass(plan.newNames, [&plan](qsizetype row) { return plan.oldNames.value(row); });
    for (qsizetype i = 0; i < swapped.newNames.size(); ++i) {
        seams.progress.setValue(i);
        if (seams.list)
            seams.list->changed(i, swapped.newNames.at(i));
    }

    const qsizetype rows = plan.oldNames.size();
    PassOutcome outcome;
    outcome.errors.reserve(size_t(rows));
    if (seams.journal) {
        seams.journal->begin(swapped);
        seams.renamer.setSteps(seams.journal);
    }
    for (qsizetype i = 0; i < rows; ++i) {
        if (platform::stopRequested()) {
            outcome.left = rows - i;
            break;
        }
        seams.progress.setValue(i);
        if (seams.journal)
            seams.journal->renaming(i);
        const QString newName = swapped.newNames.value(i);
        const int error = seams.renamer.rename(plan.folder, plan.oldNames.at(i), newName);
        outcome.errors.push_back(error);
        if (error != 0) {
            seams.dialogs.message(u"Файл с именем "_s + newName + u" уже существует"_s,
                                  u"Ошибка !!!"_s);
            // Once the folder itself is out of reach every later row would fail alike: one box
            // says so instead of one per row.
            if (const int lost = seams.renamer.folderLost()) {
                seams.dialogs.message(u"Папка недоступна, переименование остановлено\n"_s +
                                          qt_error_string(lost),
                                      u"Ошибка !!!"_s);
                outcome.left = rows - i - 1;
                break;
            }
        }
    }
    seams.renamer.releaseFolder();
    if (seams.journal) {
        seams.renamer.setSteps(nullptr);
        std::vector<bool> renamed(size_t(rows), false);
        for (size_t i = 0; i < outcome.errors.size(); ++i)
            renamed[i] = outcome.errors[i] == 0;
        seams.journal->end(renamed);
    }
    return outcome;
}

} // namespace renaming
