// Start-up: Qt's own texts in Russian, and the folder handed over on the command line.
#include "columns.h"
#include "fake_dialogs.h"
#include "folder_files.h"
#include "gui_support.h"
#include "main_window/frm_rename.h"
#include "main_window/start_up.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"
#include "widgets/qt_dialogs.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

using namespace Qt::StringLiterals;

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        main_window::useClassicStyle();
        m_startFolder = QDir::currentPath();
    }

    void cleanup() {
        QDir::setCurrent(m_startFolder);
        QCOMPARE(openWindows(), QStringList());
    }

    void qtTextsAreRussian() {
        QVERIFY2(main_window::useRussianQtTexts(*QApplication::instance()),
                 "qtbase_ru.qm not found: install qt6-translations-l10n");

        QLineEdit edit;
        edit.setText(u"текст"_s);
        edit.selectAll();
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                texts.append(action->text().remove(u'&').section(u'\t', 0, 0));
        QCOMPARE(texts,
                 (QStringList{u"Отменить действие"_s, u"Повторить действие"_s, u"Вырезать"_s,
                              u"Копировать"_s, u"Вставить"_s, u"Удалить"_s, u"Выделить всё"_s}));

        QWidget window;
        widgets::QtDialogs dialogs(&window);
        QStringList buttons;
        ModalAnswerer answer({[&](QWidget* modal) {
            for (const QAbstractButton* button : modal->findChild<QDialogButtonBox*>()->buttons())
                buttons.append(button->text().remove(u'&'));
            static_cast<QDialog*>(modal)->reject();
        }});
        (void)dialogs.input(u"Введите"_s, u"Имя"_s, u"a"_s, {0, 0});
        buttons.sort();
        QCOMPARE(buttons, (QStringList{u"OK"_s, u"Отмена"_s}));
    }

    void folderFromTheCommandLine_data() {
        addColumns<QStringList, QString, int, QString>(
            {"arguments", "opened", "files", "complaint"});

        QTest::newRow("no argument") << QStringList{} << u"start"_s << 1 << QString();
        QTest::newRow("a folder") << QStringList{u"music"_s} << u"music"_s << 2 << QString();
        QTest::newRow("a folder with a trailing slash")
            << QStringList{u"music/"_s} << u"music"_s << 2 << QString();
        QTest::newRow("a file: its folder")
            << QStringList{u"music/b.mp3"_s} << u"music"_s << 2 << QString();
        QTest::newRow("missing") << QStringList{u"gone"_s} << u"start"_s << 1
                                 << u"No such file or directory"_s;
        QTest::newRow("beneath a file")
            << QStringList{u"music/b.mp3/x"_s} << u"start"_s << 1 << u"Not a directory"_s;
        QTest::newRow("two folders: the first")
            << QStringList{u"music"_s, u"start"_s} << u"music"_s << 2 << u"одна папка"_s;
    }

    void folderFromTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, opened);
        QFETCH(int, files);
        QFETCH(QString, complaint);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"start"_s));
        QVERIFY(QDir(root.path()).mkpath(u"music/live"_s));
        writeFile(root.filePath(u"start"_s), u"x.txt"_s);
        writeFile(root.filePath(u"music"_s), u"a.mp3"_s);
        writeFile(root.filePath(u"music"_s), u"b.mp3"_s);
        QVERIFY(QDir::setCurrent(root.filePath(u"start"_s)));
        // Relative arguments are taken from the folder the program starts in, as a shell gives
        // them; here that is start's parent.
        for (QString& argument : arguments)
            argument.prepend(u"../"_s);
        FakeDialogs dialogs;
        main_window::frmRename window(&dialogs);

        const QString said =
            main_window::openFolderFromArguments(window, QStringList{u"tarvelok"_s} + arguments);

        const QString folder = root.filePath(opened);
        QCOMPARE(window.findChild<widgets::FolderView*>(u"Dir"_s)->path(), folder);
        auto* drvDir = window.findChild<widgets::DriveView*>(u"drvDir"_s);
        const QString drive = drvDir->root();
        QVERIFY2(drive == u"/"_s || folder.startsWith(drive + u'/'), qPrintable(drive));
        QCOMPARE(drvDir->drive(), folder);
        auto* File1 = window.findChild<widgets::FileListView*>(u"File1"_s);
        QCOMPARE(File1->fileModel()->path(), folder);
        QCOMPARE(File1->fileModel()->count(), files);
        QCOMPARE(window.findChild<widgets::FileListView*>(u"File2"_s)->fileModel()->path(), folder);
        QCOMPARE(panelText(window, 3), u"Найдено файлов:  "_s + QString::number(files));
        if (complaint.isEmpty())
            QCOMPARE(said, QString());
        else
            QVERIFY2(said.startsWith(u"tarvelok: "_s) && said.contains(complaint),
                     qPrintable(said));
    }

    // Without an argument, or given ".", the window starts where it was started, by that
    // folder's bytes: a sibling whose name shows the same must keep its files.
    void startsInAFolderNamedByItsBytes_data() {
        addColumns<QStringList>({"arguments"});
        QTest::newRow("no argument") << QStringList{};
        QTest::newRow("the working folder as \".\"") << QStringList{u"."_s};
        QTest::newRow("its name from its parent") << QStringList{u"../d"_s + escaped(0xE9)};
    }

    void startsInAFolderNamedByItsBytes() {
        QFETCH(QStringList, arguments);
        QTemporaryDir root;
        const QByteArray base = QFile::encodeName(root.path()) + '/';
        const QByteArray start = base + "d\xE9";
        const QByteArray sibling = base + "d\xEF\xBF\xBD";
        QVERIFY(::mkdir(start.constData(), 0755) == 0 && ::mkdir(sibling.constData(), 0755) == 0);
        // The sibling's name is what the start folder's name decodes to, lossily.
        QVERIFY(makeFiles(root.filePath(u"d\uFFFD"_s), {"b.txt"}));
        QCOMPARE(::chdir(start.constData()), 0);
        QVERIFY(makeFiles(u"."_s, {"a.txt"}));
        FakeDialogs dialogs;
        main_window::frmRename window(&dialogs);
        QCOMPARE(
            main_window::openFolderFromArguments(window, QStringList{u"tarvelok"_s} + arguments),
            QString());

        child<QPushButton>(window, u"cmdOK"_s)->click();
        child<QLineEdit>(window, u"txtName"_s)->setText(u"n"_s);
        child<QPushButton>(window, u"cmdLook"_s)->click();
        child<QPushButton>(window, u"cmdRename"_s)->click();

        const FolderFiles renamed = folderFiles(u"."_s);
        const FolderFiles untouched = folderFiles(root.filePath(u"d\uFFFD"_s));
        QVERIFY(QDir::setCurrent(m_startFolder));
        ::unlink((start + "/n.txt").constData());
        ::unlink((start + "/a.txt").constData());
        ::rmdir(start.constData());
        QCOMPARE(renamed, (FolderFiles{{"n.txt", "a.txt"}}));
        QCOMPARE(untouched, (FolderFiles{{"b.txt", "b.txt"}}));
        QCOMPARE(dialogs.calls.size(), 0);
    }

    void refusesAnUnknownOption_data() {
        addColumns<QStringList, int, QString>({"arguments", "exitCode", "said"});
        QTest::newRow("a long option")
            << QStringList{u"--bogus"_s} << 2
            << u"tarvelok: неизвестный параметр «--bogus»; список параметров: tarvelok --help\n"_s;
        QTest::newRow("after a folder")
            << QStringList{u"."_s, u"-z"_s} << 2
            << u"tarvelok: неизвестный параметр «-z»; список параметров: tarvelok --help\n"_s;
        // Past "--" it is a folder's name; without a display the window cannot start.
        QTest::newRow("a folder named like an option")
            << QStringList{u"--"_s, u"-z"_s} << 1
            << u"tarvelok: дисплей не найден (не заданы ни DISPLAY, ни WAYLAND_DISPLAY); "
               "запустите программу из сеанса рабочего стола.\n"_s;
    }

    void refusesAnUnknownOption() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TARVELOK_BINARY), arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), exitCode);
        QCOMPARE(QString::fromUtf8(program.readAllStandardError()), said);
    }

private:
    QString m_startFolder;
};

QTEST_MAIN(TestStartUp)
#include "test_start_up.moc"
