// The undo from the window.
#include "undo_action.h"

#include "journal/folder_lock.h"
#include "journal/journal.h"
#include "main_window/busy_state.h"
#include "main_window/undo_command.h"
#include "platform/dialogs.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace main_window {

namespace {

const QKeySequence kUndoKey(Qt::CTRL | Qt::Key_Z);

} // namespace

UndoAction::UndoAction(Window window, std::initializer_list<QWidget*> lists)
    : QObject(&window.window)
    , m_window(std::move(window))
    , m_action(new QAction(u"Отменить переименование\tCtrl+Z"_s, &m_window.window))
    , m_menu(new QMenu(&m_window.window)) {
    // Ctrl+Z on either page. An edit field with the focus (txtName, the text of cboMask or cboEnd)
    // claims the key for its own undo first, through its shortcut override.
    m_action->setShortcut(kUndoKey);
    m_action->setShortcutContext(Qt::WindowShortcut);
    m_window.window.addAction(m_action);
    m_window.window.installEventFilter(this);
    addToMenu(*m_menu);
    for (QWidget* list : lists) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(
            list, &QWidget::customContextMenuRequested, m_menu,
            [this, list](const QPoint& position) { m_menu->exec(list->mapToGlobal(position)); });
    }
}

void UndoAction::addToMenu(QMenu& menu) {
    menu.addAction(m_action);
    connect(&menu, &QMenu::aboutToShow, this, &UndoAction::updateEnabled);
}

bool UndoAction::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window.window && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->keyCombination() == kUndoKey[0])
        updateEnabled();
    return QObject::eventFilter(watched, event);
}

void UndoAction::updateEnabled() {
    m_action->setEnabled(!m_window.busy.busy() &&
                         journal::hasPassToUndo(m_window.shownFolder(), m_window.journals));
}

void UndoAction::undoRename() {
    // Dropped while a preview or a pass runs, as the buttons' clicks are.
    if (m_window.busy.busy())
        return;
    const QString folder = m_window.shownFolder();
    if (folder.isEmpty())
        return;
    // From before the journal is read to the end of the undo, the question included: the pass
    // read back must still be the folder's latest when it is undone.
    const journal::FolderLock lock(folder);
    if (lock.busy()) {
        m_window.dialogs.message(folderBusyText(), u"Ошибка !!!"_s);
        return;
    }
    journal::PassLookup lookup;
    // A pass of a million files takes a moment to read back, and its folder with it.
    m_window.busy.run([&] { lookup = journal::latestPass(folder, m_window.journals); });
    if (lookup.status == journal::PassLookup::Status::Nothing || m_window.window.isHidden())
        return;
    if (lookup.status == journal::PassLookup::Status::Refused) {
        m_window.dialogs.message(lookup.problem, u"Ошибка !!!"_s);
        return;
    }
    const qsizetype toRestore = renaming::rowsToRestore(*lookup.pass);
    if (!m_window.dialogs.question(u"Вернуть прежние имена файлам, переименованным в папке %1?\n"
                                   "Файлов: %2"_s.arg(folder)
                                       .arg(toRestore),
                                   u"Отмена переименования"_s))
        return;

    std::vector<renaming::UndoFailure> failures;
    m_window.busy.run([&] {
        renaming::UndoResult result =
            runUndo(*lookup.pass, toRestore, m_window.renamer, m_window.progress);
        failures = std::move(result.failures);
        // The journal has its last record, and the folder lock still holds: the pass read back
        // goes before the folder is listed again, so a large folder's names are not held twice.
        lookup.pass.reset();
        m_window.showRestored();
        return result.left;
    });
    if (failures.empty())
        return;
    reportUndoFailures(failures);
    constexpr size_t kShown = 20;
    QString text = u"Прежние имена не восстановлены. Файлов: %1"_s.arg(failures.size());
    for (size_t i = 0; i < std::min(failures.size(), kShown); ++i)
        text += u'\n' + renaming::failureText(failures[i]);
    if (failures.size() > kShown)
        text += u"\n…"_s;
    m_window.dialogs.message(text, u"Ошибка !!!"_s);
}

} // namespace main_window
