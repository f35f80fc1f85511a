// The undo from the window: Ctrl+Z where no text field claims it, the file lists' context menu,
// the question first, the views afterwards, the failures in one box.
#include "columns.h"
#include "fake_dialogs.h"
#include "filesystem/folder_surveyor.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "gui_support.h"
#include "main_window/frm_rename.h"
#include "widgets/file_list_view.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

using namespace Qt::StringLiterals;
using main_window::frmRename;

namespace {

/// The real disk, with `beforeRename` run before each file is renamed.
class HookedRenamer final : public platform::FileRenamer {
public:
    std::function<void()> beforeRename;

    int rename(const QString& folder, const QString& oldName, const QString& newName) override {
        if (beforeRename)
            beforeRename();
        return m_disk.rename(folder, oldName, newName);
    }
    void releaseFolder() override { m_disk.releaseFolder(); }
    void setSteps(platform::RenameSteps* steps) override { m_disk.setSteps(steps); }
    int folderLost() const override { return m_disk.folderLost(); }

private:
    filesystem::PosixFileRenamer m_disk;
};

} // namespace

class TestUndoWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_state;
    std::unique_ptr<QTemporaryDir> m_folder;
    FakeDialogs m_dialogs;
    HookedRenamer m_renamer;
    std::unique_ptr<frmRename> m_window;

    /// The window, its journals kept in the test's own folder.
    void openWindow() {
        m_window = std::make_unique<frmRename>(main_window::Services{
            m_dialogs, m_renamer, std::make_unique<journal::PassJournal>(m_state.path()),
            std::make_unique<filesystem::PosixFolderSurveyor>()});
    }

    /// Opens the context menu of `list` and takes its first action, the undo, and whether it is
    /// enabled.
    std::pair<QAction*, bool> menuAction(const QString& list) {
        QAction* action = nullptr;
        bool enabled = false;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            action = menu->actions().first();
            enabled = action->isEnabled();
            menu->close();
        });
        auto* view = control<QAbstractScrollArea>(list);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                view->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(view->viewport(), &event);
        return {action, enabled};
    }

    QString folder() const { return m_folder->path(); }
    template <class Widget> Widget* control(const QString& name) {
        return child<Widget>(*m_window, name);
    }

    /// Opens the window on `names` and renames them all to "x" with a number.
    void renameAll(const QStringList& names) {
        for (const QString& name : names)
            writeFile(folder(), name);
        openWindow();
        QVERIFY(m_window->openFolder(folder()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTest::mouseClick(control<QPushButton>(u"cmdOK"_s), Qt::LeftButton);
        auto* txtName = control<QLineEdit>(u"txtName"_s);
        txtName->setText(u"x"_s);
        control<QComboBox>(u"cboDop"_s)->setCurrentIndex(1);
        QTest::mouseClick(control<QPushButton>(u"cmdLook"_s), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(u"cmdRename"_s), Qt::LeftButton);
        QVERIFY(m_dialogs.calls.isEmpty());
    }

    QList<DialogCall> questions() const {
        QList<DialogCall> asked;
        for (const DialogCall& call : m_dialogs.calls)
            if (call.kind == DialogCall::Question)
                asked.append(call);
        return asked;
    }

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        main_window::useClassicStyle();
    }

    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_dialogs = {};
        m_renamer.beforeRename = {};
    }

    void cleanup() {
        m_window.reset();
        m_folder.reset();
    }

    void ctrlZ_data() {
        addColumns<QString, QString, bool, bool>({"page", "focus", "answer", "undone"});
        QTest::newRow("File1") << u"fra1"_s << u"File1"_s << true << true;
        QTest::newRow("File2") << u"fra2"_s << u"File2"_s << true << true;
        QTest::newRow("lstNew") << u"fra2"_s << u"lstNew"_s << true << true;
        QTest::newRow("cboDop, not a text field") << u"fra2"_s << u"cboDop"_s << true << true;
        QTest::newRow("answered Нет") << u"fra2"_s << u"File2"_s << false << false;
        QTest::newRow("txtName keeps its own undo") << u"fra2"_s << u"txtName"_s << true << false;
        QTest::newRow("cboEnd keeps its own undo") << u"fra2"_s << u"cboEnd"_s << true << false;
        QTest::newRow("cboMask keeps its own undo") << u"fra1"_s << u"cboMask"_s << true << false;
    }

    void ctrlZ() {
        QFETCH(QString, page);
        QFETCH(QString, focus);
        QFETCH(bool, answer);
        QFETCH(bool, undone);
        const QStringList names{u"a.txt"_s, u"b.txt"_s};
        renameAll(names);
        const QStringList renamed = folderContents(folder());
        if (page == u"fra1"_s)
            QTest::mouseClick(control<QPushButton>(u"cmdBack"_s), Qt::LeftButton);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QWidget* target = control<QWidget>(focus);
        if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->lineEdit())
            target = combo->lineEdit();
        target->setFocus(Qt::OtherFocusReason);
        auto* edit = qobject_cast<QLineEdit*>(target);
        const QString text = edit ? edit->text() : QString();
        if (edit)
            QTest::keyClicks(edit, u"q"_s);
        m_dialogs.questionAnswer = answer;

        QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);

        if (edit) {
            QCOMPARE(edit->text(), text);
            QVERIFY(questions().isEmpty());
        } else {
            QCOMPARE(questions().size(), 1);
            QCOMPARE(questions().first().title, u"Отмена переименования"_s);
            QVERIFY(questions().first().prompt.contains(folder()));
            QVERIFY(questions().first().prompt.endsWith(u"\nФайлов: 2"_s));
        }
        const QStringList restored{u"a.txt=a.txt"_s, u"b.txt=b.txt"_s};
        QCOMPARE(folderContents(folder()), undone ? restored : renamed);
        if (undone) {
            QCOMPARE(control<widgets::FileListView>(u"File1"_s)->fileModel()->name(0), u"a.txt"_s);
            QCOMPARE(control<widgets::FileListView>(u"File2"_s)->fileModel()->name(0), u"a.txt"_s);
            QCOMPARE(control<QListView>(u"lstNew"_s)->model()->rowCount(), 0);
            QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
            QCOMPARE(panelText(*m_window, 3), u"Найдено файлов:  2"_s);
            // Nothing older to undo: the next Ctrl+Z does nothing.
            m_dialogs.calls.clear();
            QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
            QVERIFY(m_dialogs.calls.isEmpty());
        }
    }

    void contextMenu_data() {
        addColumns<QString, bool>({"list", "renamed"});
        QTest::newRow("File1 after a pass") << u"File1"_s << true;
        QTest::newRow("File2 after a pass") << u"File2"_s << true;
        QTest::newRow("lstNew after a pass") << u"lstNew"_s << true;
        QTest::newRow("File2, nothing to undo") << u"File2"_s << false;
    }

    void contextMenu() {
        QFETCH(QString, list);
        QFETCH(bool, renamed);
        if (renamed) {
            renameAll({u"a.txt"_s});
        } else {
            writeFile(folder(), u"a.txt"_s);
            openWindow();
            QVERIFY(m_window->openFolder(folder()));
            m_window->show();
            QTest::mouseClick(control<QPushButton>(u"cmdOK"_s), Qt::LeftButton);
        }
        if (list == u"File1"_s)
            QTest::mouseClick(control<QPushButton>(u"cmdBack"_s), Qt::LeftButton);
        QStringList items;
        bool enabled = false;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions())
                items.append(action->text());
            enabled = menu->actions().first()->isEnabled();
            menu->setActiveAction(menu->actions().first());
            QTest::keyClick(menu, Qt::Key_Return);
            menu->close();
        });
        auto* view = control<QAbstractScrollArea>(list);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                view->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(view->viewport(), &event);

        QCOMPARE(items.first(), u"Отменить переименование\tCtrl+Z"_s);
        QCOMPARE(enabled, renamed);
        QCOMPARE(questions().size(), renamed ? 1 : 0);
        QCOMPARE(folderContents(folder()), QStringList{u"a.txt=a.txt"_s});
    }

    void oneActionForKeyAndMenus_data() {
        addColumns<bool, bool, bool>({"renamed", "busy", "enabled"});
        QTest::newRow("after a pass") << true << false << true;
        QTest::newRow("nothing to undo") << false << false << false;
        QTest::newRow("while a pass runs") << true << true << false;
    }

    void oneActionForKeyAndMenus() {
        QFETCH(bool, renamed);
        QFETCH(bool, busy);
        QFETCH(bool, enabled);
        if (renamed) {
            renameAll({u"a.txt"_s});
        } else {
            writeFile(folder(), u"a.txt"_s);
            openWindow();
            QVERIFY(m_window->openFolder(folder()));
            m_window->show();
            QTest::mouseClick(control<QPushButton>(u"cmdOK"_s), Qt::LeftButton);
        }
        QAction* key = nullptr;
        for (QAction* action : m_window->actions())
            if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Z))
                key = action;
        QVERIFY(key);

        QList<std::pair<QAction*, bool>> menus;
        const auto openMenus = [&] {
            for (const QString& list : {u"File2"_s, u"lstNew"_s})
                menus.append(menuAction(list));
        };
        if (busy) {
            control<QLineEdit>(u"txtName"_s)->setText(u"y"_s);
            QTest::mouseClick(control<QPushButton>(u"cmdLook"_s), Qt::LeftButton);
            m_renamer.beforeRename = [&] {
                if (menus.isEmpty())
                    openMenus();
            };
            QTest::mouseClick(control<QPushButton>(u"cmdRename"_s), Qt::LeftButton);
        } else {
            openMenus();
        }
        QTest::mouseClick(control<QPushButton>(u"cmdBack"_s), Qt::LeftButton);
        menus.append(menuAction(u"File1"_s));

        QCOMPARE(menus.size(), 3);
        for (qsizetype list = 0; list < 2; ++list) {
            QCOMPARE(menus.at(list).first, key);
            QCOMPARE(menus.at(list).second, enabled);
        }
        // Back on the selection page, with the pass ended, the same action is there to undo it.
        QCOMPARE(menus.last().first, key);
        QCOMPARE(menus.last().second, renamed);
    }

    void failuresInOneBox() {
        QStringList names;
        for (int i = 0; i < 22; ++i)
            names.append(u"f%1.txt"_s.arg(i, 2, 10, QChar(u'0')));
        renameAll(names);
        for (const QString& name : names)
            writeFile(folder(), name); // every old name taken meanwhile
        m_window->activateWindow();
        control<QWidget>(u"File2"_s)->setFocus();
        QTest::keyClick(control<QWidget>(u"File2"_s), Qt::Key_Z, Qt::ControlModifier);

        QCOMPARE(m_dialogs.messages().size(), 1);
        const QStringList lines = m_dialogs.messages().first().split(u'\n');
        QCOMPARE(m_dialogs.calls.last().title, u"Ошибка !!!"_s);
        QCOMPARE(lines.size(), 22);
        QCOMPARE(lines.first(), u"Прежние имена не восстановлены. Файлов: 22"_s);
        QCOMPARE(lines.at(1), u"x22.txt → f21.txt: имя занято другим файлом"_s);
        QCOMPARE(lines.last(), u"…"_s);
    }
};

QTEST_MAIN(TestUndoWindow)
#include "test_undo_window.moc"
