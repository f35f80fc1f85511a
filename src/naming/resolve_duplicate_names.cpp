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
#include "platform/dialogs.h"
#include "platform/name_list_model.h"
#include "platform/progress.h"
#include "platform/stop_request.h"

using namespace Qt::StringLiterals;

namespace naming {

namespace {

/// Asks for row `row`'s individual name until the answer is held by no other row. Returns false
/// when the user gave up, after clearing the whole list.
bool askIndividualName(const NamingContext& context, DuplicateIndex& index, qsizetype row) {
    platform::NameListModel& lstNew = context.lstNew;
    QString defaultText = lstNew.item(row);
    for (;;) {
        // The box's x comes from the window's top and its y from the window's left, swapped on
        // purpose: the box stands at that offset from the window, and the dialog service moves
        // one that this puts off the screen back onto it.
        const QPointF window = context.windowPosition();
        const QPointF position(window.y() + 100, window.x() - 500);
        const QString answer =
            context.dialogs.input(u"Введите индивидуальное имя для файла"_s,
                                  u"Имя повторяется дважды"_s, defaultText, position);
        if (answer.isEmpty()) {
            lstNew.clear();
            return false;
        }
        // A refused answer stays in the list while the box asks again, so the user sees what
        // was refused; a later give-up clears it with everything else.
        index.replace(lstNew.item(row), answer);
        lstNew.setItem(row, answer);
        if (!index.isRepeated(answer))
            return true;
        defaultText = answer;
    }
}

} // namespace

bool ResolveDuplicateNames(const NamingContext& context) {
    platform::NameListModel& lstNew = context.lstNew;
    const qsizetype count = lstNew.count();
    DuplicateIndex index(lstNew.items());
    for (qsizetype i = 1; i <= count - 1; ++i) {
        // A program asked to end gives up as the user would, before the next prompt.
        if (platform::stopRequested()) {
            lstNew.clear();
            return false;
        }
        context.prb1.setValue(i);
        if (index.repeatsLater(i - 1)) {
            lstNew.setListIndex(i - 1);
            if (!askIndividualName(context, index, i - 1))
                return false;
        }
    }
    context.prb1.setValue(0);
    return true;
}

} // namespace naming
