// One pass or undo per folder at a time: while a child's pass or undo is paused mid-way in a
// folder, the window's pass and undo and `tarvelok --undo` are refused there and touch nothing;
// let go, the child ends as if alone.
#include "columns.h"
#include "disk_mount.h"
#include "fake_dialogs.h"
#include "folder_files.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArrayList kNames{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt"};
const QByteArray kPlan = "b1.txt\nb2.txt\nb3.txt\nb4.txt\nb5.txt\nb6.txt\n";
const QString kBusy = u"Папка занята другим переименованием"_s;

struct Finished {
    int exitCode = -1;
    QByteArray errors;
};

/// Runs `tarvelok --undo folder` to its end.
Finished undoCommand(const QString& folder) {
    QProcess program;
    program.start(QStringLiteral(TARVELOK_BINARY), {u"--undo"_s, folder});
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
        return {};
    return {program.exitCode(), program.readAllStandardError()};
}

} // namespace

class TestFolderLock : public QObject, public WindowFixture {
    Q_OBJECT

private:
    QTemporaryDir m_state;
    QTemporaryDir m_plans;
    FakeDialogs m_dialogs;

    /// Starts undo_child's pass of kPlan, or its undo, on `where`, to pause before its rename
    /// call `at` ("never": to run to its end).
    void startChild(QProcess& child, const QString& where, bool undo, const QByteArray& at) {
        child.start(QStringLiteral(UNDO_CHILD),
                    {where, undo ? u"--undo"_s : m_plans.path() + u"/plan"_s,
                     QString::fromLatin1(at), u"pause"_s});
        QVERIFY(child.waitForStarted(20000));
    }

    /// Waits for the line `line` on the child's standard output.
    static bool waitForLine(QProcess& child, const QByteArray& line) {
        while (child.canReadLine() || child.waitForReadyRead(30000))
            if (child.readLine() == line + '\n')
                return true;
        return false;
    }

private slots:
    void initTestCase() {
        setUpCase();
        QVERIFY(m_state.isValid() && m_plans.isValid());
        QVERIFY(writeFile(m_plans.path(), "plan", kPlan));
        // Shared by the window and the programs the test starts.
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
    }

    void init() {
        setUp();
        m_dialogs = {};
        QDir(m_state.path() + u"/tarvelok"_s).removeRecursively();
    }

    void cleanup() { tearDown(); }

    void refusedWhileAPassOrUndoRuns_data() {
        addColumns<QByteArray, bool>({"held", "onFat"});
        QTest::newRow("pass held") << QByteArray("pass") << false;
        QTest::newRow("pass held on a FAT card") << QByteArray("pass") << true;
        QTest::newRow("undo held") << QByteArray("--undo") << false;
    }

    void refusedWhileAPassOrUndoRuns() {
        QFETCH(QByteArray, held);
        QFETCH(bool, onFat);
        std::unique_ptr<DiskMount> card;
        QString where = folder();
        if (onFat) {
            card = std::make_unique<DiskMount>();
            if (!card->isMounted())
                QSKIP(qPrintable(card->whyNot()));
            where = card->path() + u"/DCIM"_s;
            QVERIFY(QDir().mkdir(where));
        }
        QVERIFY(makeFiles(where, kNames));
        const FolderFiles before = folderFiles(where);
        FolderFiles renamed;
        for (qsizetype row = 0; row < kNames.size(); ++row)
            renamed.insert(kPlan.split('\n').at(row), kNames.at(row));
        const bool undoHeld = held == "--undo";
        if (undoHeld) {
            QProcess pass;
            startChild(pass, where, false, "never");
            QVERIFY(pass.waitForFinished(60000));
            QCOMPARE(pass.exitCode(), 0);
            QCOMPARE(folderFiles(where), renamed);
        }

        // A preview ready in the window, as a user about to rename would have it.
        openWindow(&m_dialogs);
        QVERIFY(m_window->openFolder(where));
        goToNamingPage();
        control<QLineEdit>(u"txtName"_s)->setText(u"x"_s);
        control<QComboBox>(u"cboDop"_s)->setCurrentIndex(1);
        click(u"cmdLook"_s);
        const QStringList preview = newNames();
        QCOMPARE(preview.size(), kNames.size());

        QProcess child;
        startChild(child, where, undoHeld, "2");
        QVERIFY2(waitForLine(child, "paused"), child.readAllStandardError().constData());
        const FolderFiles midway = folderFiles(where);
        QVERIFY(midway != before && midway != renamed);

        click(u"cmdRename"_s);
        activate();
        control<QWidget>(u"File2"_s)->setFocus();
        QTest::keyClick(control<QWidget>(u"File2"_s), Qt::Key_Z, Qt::ControlModifier);
        const DialogCall refused{DialogCall::Message, kBusy, u"Ошибка !!!"_s, {}, {}};
        QCOMPARE(m_dialogs.calls, (QList<DialogCall>{refused, refused}));
        QCOMPARE(newNames(), preview);
        QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());
        const Finished command = undoCommand(where);
        QCOMPARE(command.exitCode, 2);
        QCOMPARE(command.errors,
                 "tarvelok: " + kBusy.toUtf8() + ": «" + QFile::encodeName(where) + "»\n");
        QCOMPARE(folderFiles(where), midway);

        child.write("\n");
        QVERIFY(child.waitForBytesWritten(20000) && child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardError(), QByteArray());
        QCOMPARE(folderFiles(where), undoHeld ? before : renamed);
        if (!undoHeld) {
            const Finished undo = undoCommand(where);
            QCOMPARE(undo.errors, QByteArray());
            QCOMPARE(undo.exitCode, 0);
            QCOMPARE(folderFiles(where), before);
        }
        if (card) {
            m_window.reset();
            QVERIFY(card->unmount());
            QString report;
            QVERIFY2(card->imageIsClean(&report), qPrintable(report));
        }
    }
};

QTEST_MAIN(TestFolderLock)
#include "test_folder_lock.moc"
