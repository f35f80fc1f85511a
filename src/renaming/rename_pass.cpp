// The rename pass: swap pre-pass, one rename per row, one message per failure, closing steps.
#include "renaming/rename_pass.h"

#include "platform/dialogs.h"
#include "platform/file_renamer.h"
#include "platform/file_view.h"
#include "platform/name_list_model.h"
#include "platform/pass_journal.h"
#include "platform/progress.h"
#include "platform/stop_request.h"
#include "renaming/swap_pre_pass.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace renaming {

qsizetype renamePass(const RenameContext& context) {
    // The pre-pass compares only with the first lstNew.count() rows of File2.
    const qsizetype newCount = context.lstNew.count();
    const QStringList swapped =
        swapPrePass(context.lstNew.items(), [&](qsizetype row) { return context.File2.name(row); });
    for (qsizetype i = 0; i < newCount; ++i) {
        context.prb1.setValue(i);
        context.lstNew.setItem(i, swapped.at(i));
    }

    const qsizetype rows = context.File2.count();
    qsizetype left = 0;
    if (context.journal) {
        context.journal->begin(context.File2, context.lstNew);
        context.renamer.setSteps(context.journal);
    }
    std::vector<bool> renamed(size_t(rows), false);
    for (qsizetype i = 0; i < rows; ++i) {
        if (platform::stopRequested()) {
            left = rows - i;
            break;
        }
        context.prb1.setValue(i);
        if (context.journal)
            context.journal->renaming(i);
        renamed[size_t(i)] = context.renamer.rename(context.File2.path(), context.File2.name(i),
                                                    context.lstNew.item(i)) == 0;
        if (!renamed[size_t(i)]) {
            context.dialogs.message(u"Файл с именем "_s + context.lstNew.item(i) +
                                        u" уже существует"_s,
                                    u"Ошибка !!!"_s);
            // Once the folder itself is out of reach every later row would fail alike: one box
            // says so instead of one per row.
            if (const int lost = context.renamer.folderLost()) {
                context.dialogs.message(u"Папка недоступна, переименование остановлено\n"_s +
                                            qt_error_string(lost),
                                        u"Ошибка !!!"_s);
                left = rows - i - 1;
                break;
            }
        }
    }
    context.renamer.releaseFolder();
    if (context.journal) {
        context.renamer.setSteps(nullptr);
        context.journal->end(renamed);
    }

    context.File1.refresh();
    context.File2.refresh();
    context.prb1.setValue(0);
    context.lstNew.clear();
    return left;
}

} // namespace renaming
