// The undo of a rename pass on real folders: the journal written by the pass, the files found by
// their inodes wherever the pass left them, every name and content back as before.
#include "columns.h"
#include "disk_mount.h"
#include "fake_dialogs.h"
#include "fake_progress.h"
#include "filesystem/file_list_model.h"
#include "filesystem/file_mask.h"
#include "filesystem/folder_lister.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "journal/folder_lock.h"
#include "journal/journal.h"
#include "journal/repair.h"
#include "main_window/undo_command.h"
#include "platform/file_names.h"
#include "platform/stop_request.h"
#include "renaming/rename_pass.h"
#include "renaming/undo_pass.h"
#include "standard_error.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

using Failures = QList<QPair<QString, int>>; // "new name → old name", errno

QStringList decoded(const QByteArrayList& names) {
    QStringList texts;
    for (const QByteArray& name : names)
        texts.append(platform::decodeFileName(name));
    return texts;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_state;
    QTemporaryDir m_folder;
    QString folder() const { return m_folder.path(); }
    QString journals() const { return m_state.path() + u"/tarvelok"_s; }

    /// The pass through `renamer` when given, else through a renamer of its own.
    void runPass(const QByteArrayList& newNames, const QString& where = {},
                 filesystem::PosixFileRenamer* given = nullptr) {
        filesystem::FileListModel files;
        files.setPath(where.isEmpty() ? folder() : where);
        files.setPattern(u"*.*"_s);
        filesystem::PosixFileRenamer own;
        filesystem::PosixFileRenamer& renamer = given ? *given : own;
        journal::PassJournal journal(journals());
        FakeDialogs dialogs;
        FakeProgress progress;
        renaming::renamePass(platform::renamePlan(files, decoded(newNames)),
                             {renamer, progress, dialogs, &journal});
    }

    Failures undo(const QString& where = {}) {
        journal::PassLookup lookup =
            journal::latestPass(where.isEmpty() ? folder() : where, journals());
        if (lookup.status != journal::PassLookup::Status::Ready) {
            QTest::qFail(qPrintable(u"no pass to undo: "_s + lookup.problem), __FILE__, __LINE__);
            return {};
        }
        filesystem::PosixFileRenamer renamer;
        FakeProgress progress;
        Failures failures;
        for (const renaming::UndoFailure& failure :
             renaming::undoPass(*lookup.pass, renamer, progress).failures)
            failures.append({failure.name + u" → "_s + failure.oldName, failure.error});
        lookup.pass->markUndone();
        return failures;
    }

    /// The environment of a child process: the journals of this test, and no display unless
    /// `display`, which is then an offscreen one.
    QProcessEnvironment childEnvironment(bool display = false) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_STATE_HOME"_s, m_state.path());
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
        if (display)
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        return environment;
    }

    /// Runs the pass of undo_child in `where`, or with `plan` "--undo" its undo of the latest
    /// pass, and lets it kill itself at `killAt`.
    void runKilledPass(const QString& where, const QByteArray& plan, const QByteArray& killAt,
                       const QString& route = {}) {
        QTemporaryDir planFolder;
        QVERIFY(writeFile(planFolder.path(), "plan", plan));
        QProcess child;
        child.setProcessEnvironment(childEnvironment());
        QStringList arguments{where,
                              plan == "--undo" ? u"--undo"_s : planFolder.path() + u"/plan"_s,
                              QString::fromLatin1(killAt)};
        if (!route.isEmpty())
            arguments.append(route);
        child.start(QStringLiteral(UNDO_CHILD), arguments);
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    }

    QString onlyJournal() const {
        const QStringList files = QDir(journals()).entryList({u"*.journal"_s}, QDir::Files);
        return files.size() == 1 ? journals() + u'/' + files.first() : QString();
    }

private slots:
    void init() {
        QVERIFY(m_state.isValid());
        m_folder = {};
        QDir(journals()).removeRecursively();
    }

    void cleanup() { removeFiles(folder()); }

    void undoesAPass_data() {
        addColumns<QByteArrayList, QByteArrayList>({"names", "newNames"});
        // The pre-pass gives "a.txt" back to its own file: "b.txt" takes "x.txt".
        QTest::newRow("exchange") << QByteArrayList{"a.txt", "b.txt", "c.txt"}
                                  << QByteArrayList{"x.txt", "a.txt", "y.txt"};
        QTest::newRow("chain") << QByteArrayList{"1.txt", "2.txt", "3.txt"}
                               << QByteArrayList{"2.txt", "3.txt", "4.txt"};
        QTest::newRow("case only") << QByteArrayList{"A.TXT", "b.txt", "Photo.JPG"}
                                   << QByteArrayList{"a.txt", "B.TXT", "photo.jpg"};
        QTest::newRow("byte names") << QByteArrayList{"caf\xe9.txt", "n\xff.txt"}
                                    << QByteArrayList{"f\xe9.txt", "caf\xe9.txt"};
    }

    void undoesAPass() {
        QFETCH(QByteArrayList, names);
        QFETCH(QByteArrayList, newNames);
        QVERIFY(makeFiles(folder(), names));
        const FolderFiles before = folderFiles(folder());
        runPass(newNames);
        QVERIFY(folderFiles(folder()) != before);
        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), before);
        QCOMPARE(journal::latestPass(folder(), journals()).status,
                 journal::PassLookup::Status::Nothing);
    }

    void undoesAPassKilledMidway_data() {
        addColumns<QByteArray, bool>({"killAt", "leftAside"});
        QTest::newRow("before the first rename") << QByteArray("0") << false;
        QTest::newRow("in the middle") << QByteArray("4") << false;
        QTest::newRow("between the aside move and the final move") << QByteArray("aside") << true;
    }

    void undoesAPassKilledMidway() {
        QFETCH(QByteArray, killAt);
        QFETCH(bool, leftAside);
        QVERIFY(makeFiles(folder(), {"a1.txt", "a2.txt", "A3.txt", "a4.txt", "a5.txt", "a6.txt"}));
        const FolderFiles before = folderFiles(folder());
        runKilledPass(folder(), "b1.txt\nb2.txt\na3.TXT\nb4.txt\nb5.txt\nb6.txt\n", killAt);
        bool aside = false;
        for (const QByteArray& name : folderFiles(folder()).keys())
            aside = aside || name.startsWith("tarvelok-");
        QCOMPARE(aside, leftAside);

        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), before);
    }

    void repairsWhatAKilledPassLeftMidStep_data() {
        addColumns<QString, QByteArray, bool, QByteArray, bool>(
            {"route", "killAt", "onFat", "disturb", "inUndo"});
        // Row 2 is a case-only rename, which moves its file aside and on; the pass, or its undo,
        // dies within it.
        const QString automatic;
        const QByteArray none;
        QTest::newRow("file under its aside name")
            << automatic << QByteArray("aside") << false << none << false;
        QTest::newRow("second link to the aside name")
            << u"link"_s << QByteArray("2") << false << none << false;
        QTest::newRow("second link to the new name")
            << u"link"_s << QByteArray("aside") << false << none << false;
        QTest::newRow("claim of the aside name")
            << u"claim"_s << QByteArray("2") << false << none << false;
        QTest::newRow("claim of the new name")
            << u"claim"_s << QByteArray("aside") << false << none << false;
        QTest::newRow("claim made, its inode not recorded")
            << u"claim"_s << QByteArray("aside") << false << QByteArray("claim inode lost")
            << false;
        QTest::newRow("another program's empty file in the claim's place")
            << u"claim"_s << QByteArray("aside") << false << QByteArray("claim replaced") << false;
        QTest::newRow("FAT card") << automatic << QByteArray("aside") << true << none << false;
        QTest::newRow("claim on a FAT card")
            << u"claim"_s << QByteArray("aside") << true << none << false;
        QTest::newRow("undo: file under its aside name")
            << automatic << QByteArray("aside") << false << none << true;
        QTest::newRow("undo: second link to the old name")
            << u"link"_s << QByteArray("aside") << false << none << true;
        QTest::newRow("undo: claim of the old name")
            << u"claim"_s << QByteArray("aside") << false << none << true;
    }

    void repairsWhatAKilledPassLeftMidStep() {
        QFETCH(QString, route);
        QFETCH(QByteArray, killAt);
        QFETCH(bool, onFat);
        QFETCH(QByteArray, disturb);
        QFETCH(bool, inUndo);
        std::unique_ptr<DiskMount> card;
        QString where = folder();
        if (onFat) {
            card = std::make_unique<DiskMount>();
            if (!card->isMounted())
                QSKIP(qPrintable(card->whyNot()));
            where = card->path() + u"/DCIM"_s;
            QVERIFY(QDir().mkdir(where) && makeFiles(card->path(), {"z.txt"}));
        }
        QVERIFY(makeFiles(where, {"a1.txt", "a2.txt", "A3.txt", "a4.txt", "a5.txt", "a6.txt"}));
        const FolderFiles before = folderFiles(where);
        FolderFiles repaired = before;
        repaired.insert("b1.txt", repaired.take("a1.txt"));
        repaired.insert("b2.txt", repaired.take("a2.txt"));
        if (inUndo) {
            // The undo moves rows 5 to 3 back, and dies within row 2, which stays renamed.
            runPass({"b1.txt", "b2.txt", "a3.TXT", "b4.txt", "b5.txt", "b6.txt"}, where);
            runKilledPass(where, "--undo", killAt, route);
            repaired.insert("a3.TXT", repaired.take("A3.txt"));
        } else {
            runKilledPass(where, "b1.txt\nb2.txt\na3.TXT\nb4.txt\nb5.txt\nb6.txt\n", killAt, route);
        }
        QVERIFY(folderFiles(where) != repaired);
        // The card is taken out and put in again before the next start; met first there, a
        // file beside the folder takes the number the folder had.
        if (card)
            QVERIFY(card->remount() && QFileInfo::exists(card->path() + u"/z.txt"_s));
        if (disturb == "claim inode lost") {
            // As if killed between making the claim and recording its inode: the last record,
            // a step of "a3.TXT", goes.
            QFile file(onlyJournal());
            QVERIFY(file.resize(file.size() - (5 + 8 + 1 + 8 + 6 + 4)));
        } else if (disturb == "claim replaced") {
            // Made while the claim still exists, so it cannot be given the claim's inode.
            const QByteArray base = QFile::encodeName(where);
            QVERIFY(writeFile(where, "other", ""));
            QCOMPARE(::rename((base + "/other").constData(), (base + "/a3.TXT").constData()), 0);
            repaired.insert("a3.TXT", "");
        }

        // A start of the program puts the row right before it shows its window.
        QProcess program;
        program.setProcessEnvironment(childEnvironment(true));
        program.setReadChannel(QProcess::StandardError);
        program.start(QStringLiteral(TARVELOK_BINARY));
        QByteArrayList lines;
        while (lines.isEmpty() && program.waitForReadyRead(20000))
            while (program.canReadLine())
                if (const QByteArray line = program.readLine(); line.contains("tarvelok: прерванн"))
                    lines.append(line);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        while (program.canReadLine())
            if (const QByteArray line = program.readLine(); line.contains("tarvelok: прерванн"))
                lines.append(line);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains("» исправлен"), lines.first().constData());
        QCOMPARE(folderFiles(where), repaired);

        if (disturb == "claim replaced")
            return;
        QCOMPARE(undo(where), Failures{});
        QCOMPARE(folderFiles(where), before);
        if (card) {
            QVERIFY(card->unmount());
            QString report;
            QVERIFY2(card->imageIsClean(&report), qPrintable(report));
        }
    }

    // exFAT takes 255 UTF-16 units, up to 765 bytes: such names are listed whole under any mask,
    // renamed, journaled and undone.
    void keepsLongNamesWholeOnExFat() {
        DiskMount card(DiskMount::Format::ExFat);
        if (!card.isMounted())
            QSKIP(qPrintable(u"no exFAT card can be mounted here: "_s + card.whyNot()));
        const QString where = card.path();
        const QByteArray long304 = QString(150, u'ж').toUtf8() + ".jpg";
        const QByteArray long700 = QString(232, u'ა').toUtf8() + ".jpg"; // Georgian, 3 bytes each
        QVERIFY(makeFiles(where, {long304, "b.jpg", long700 + ".txt"}));
        const FolderFiles before = folderFiles(where);
        for (const QString& mask : {u"*.jpg"_s, u"*"_s}) {
            const auto listed = filesystem::listFiles(where, filesystem::FileMask(mask));
            QVERIFY(listed);
            QVERIFY(listed->toStringList().contains(platform::decodeFileName(long304)));
        }
        // Rows: "b.jpg", then the Cyrillic name, then the Georgian one.
        const QByteArray long404 = QString(200, u'ж').toUtf8() + ".jpg";
        runPass({"c.txt", long700, long404}, where);
        FolderFiles renamed = before;
        renamed.insert("c.txt", renamed.take("b.jpg"));
        renamed.insert(long700, renamed.take(long304));
        renamed.insert(long404, renamed.take(long700 + ".txt"));
        QCOMPARE(folderFiles(where), renamed);
        QCOMPARE(undo(where), Failures{});
        QCOMPARE(folderFiles(where), before);
        QVERIFY(card.unmount());
        QString report;
        QVERIFY2(card.imageIsClean(&report), qPrintable(report));
    }

    void goesOnWhenTheJournalStopsBeingWritten() {
        // Case-only renames record their aside names as they go; the journal can take no more
        // from the first rename on, as on a disk that has just filled.
        QByteArrayList names;
        QByteArrayList newNames;
        for (int i = 0; i < 40; ++i) {
            names.append("FILE" + QByteArray::number(i) + ".TXT");
            newNames.append(names.last().toLower());
        }
        QVERIFY(makeFiles(folder(), names));
        const FolderFiles before = folderFiles(folder());
        filesystem::FileListModel files;
        files.setPath(folder());
        files.setPattern(u"*.*"_s);
        filesystem::PosixFileRenamer renamer;
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        renamer.setBeforeRename([&](const QByteArray&, const QByteArray&) {
            if (onlyJournal().isEmpty())
                return;
            rlimit full = saved;
            full.rlim_cur = rlim_t(QFileInfo(onlyJournal()).size());
            ::setrlimit(RLIMIT_FSIZE, &full);
        });
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const QByteArray errors = standardError([&] {
            journal::PassJournal journal(journals());
            FakeDialogs dialogs;
            FakeProgress progress;
            renaming::renamePass(platform::renamePlan(files, decoded(newNames)),
                                 {renamer, progress, dialogs, &journal});
            ::setrlimit(RLIMIT_FSIZE, &saved);
        });
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(errors.count("больше не записывается"), 1);
        QByteArrayList renamed = newNames;
        std::sort(renamed.begin(), renamed.end());
        QCOMPARE(folderFiles(folder()).keys(), renamed);
        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), before);
    }

    void leavesAPassThatStillRunsAlone_data() {
        addColumns<bool>({"folderHeld"});
        QTest::newRow("its journal locked by its program") << false;
        // Another pass or undo of the folder runs now: the cut-off pass's journal is free.
        QTest::newRow("its folder locked by another pass") << true;
    }

    void leavesAPassThatStillRunsAlone() {
        QFETCH(bool, folderHeld);
        QVERIFY(makeFiles(folder(), {"a1.txt", "a2.txt", "A3.txt"}));
        runKilledPass(folder(), "b1.txt\nb2.txt\na3.TXT\n", "aside");
        const FolderFiles left = folderFiles(folder());
        auto lock = folderHeld ? std::make_unique<journal::FolderLock>(folder()) : nullptr;
        // Its program holds the journal locked while the pass runs.
        QFile running(onlyJournal());
        QVERIFY(running.open(QIODevice::ReadOnly));
        if (!folderHeld)
            QCOMPARE(::flock(running.handle(), LOCK_EX | LOCK_NB), 0);
        filesystem::PosixFileRenamer renamer;
        QCOMPARE(journal::repairInterruptedPasses(renamer, journals()), 0);
        QCOMPARE(folderFiles(folder()), left);
        running.close();
        lock.reset();
        QCOMPARE(journal::repairInterruptedPasses(renamer, journals()), 1);
        QCOMPARE(journal::repairInterruptedPasses(renamer, journals()), 0);
        QCOMPARE(folderFiles(folder()).keys(), (QByteArrayList{"A3.txt", "b1.txt", "b2.txt"}));
    }

    // A claim the pass cannot remove after its rename failed (here the folder turns immutable
    // just before the rename): the journal stays marked, and the next start removes the claim.
    void removesAtTheNextStartWhatAFailedRenameLeft() {
        DiskMount disk(DiskMount::Format::Ext4);
        if (!disk.isMounted())
            QSKIP(qPrintable(u"no ext4 image can be mounted here: "_s + disk.whyNot()));
        const QString where = disk.path() + u"/photos"_s;
        QVERIFY(QDir().mkdir(where) && makeFiles(where, {"a.txt", "b.txt"}));
        const FolderFiles before = folderFiles(where);
        const int folderFd = ::open(QFile::encodeName(where).constData(), O_RDONLY | O_DIRECTORY);
        const auto setImmutable = [folderFd](bool on) {
            int flags = 0;
            return ::ioctl(folderFd, FS_IOC_GETFLAGS, &flags) == 0 &&
                   (flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL,
                    ::ioctl(folderFd, FS_IOC_SETFLAGS, &flags) == 0);
        };
        filesystem::PosixFileRenamer renamer(
            filesystem::PosixFileRenamer::Strategy::ClaimThenRename);
        bool refused = true;
        renamer.setBeforeRename(
            [&](const QByteArray&, const QByteArray&) { refused = refused && setImmutable(true); });
        const QByteArray told = standardError([&] {
            runPass({"c.txt", "d.txt"}, where, &renamer);
        });
        const bool claimLeft = folderFiles(where).contains("c.txt");
        QVERIFY(setImmutable(false));
        ::close(folderFd);
        if (!refused)
            QSKIP("the folder cannot be made immutable here");
        QVERIFY2(claimLeft && told.contains("пустой файл"), told.constData());

        const QByteArray repaired = standardError(
            [&] { QCOMPARE(journal::repairInterruptedPasses(renamer, journals()), 1); });
        QVERIFY2(repaired.contains("удалён пустой файл «c.txt»"), repaired.constData());
        QCOMPARE(folderFiles(where), before);
        QCOMPARE(journal::repairInterruptedPasses(renamer, journals()), 0);
    }

    void stopsWhenAskedAndLeavesTheRestForTheNextUndo() {
        QVERIFY(makeFiles(folder(), {"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt"}));
        const FolderFiles before = folderFiles(folder());
        runPass({"b1.txt", "b2.txt", "b3.txt", "b4.txt", "b5.txt", "b6.txt"});
        journal::PassLookup lookup = journal::latestPass(folder(), journals());
        QVERIFY(lookup.pass);
        filesystem::PosixFileRenamer renamer;
        int renames = 0;
        // Asked to stop during the second move back: that row finishes, the four before it wait.
        renamer.setBeforeRename([&](const QByteArray&, const QByteArray&) {
            if (++renames == 2)
                platform::requestStop();
        });
        FakeProgress progress;
        const renaming::UndoResult result =
            main_window::runUndo(*lookup.pass, 6, renamer, progress);
        platform::requestStop(false);
        QCOMPARE(result.left, 4);
        QCOMPARE(result.failures.size(), size_t(0));
        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), before);
    }

    void leavesARowItCannotRestore_data() {
        addColumns<QByteArray, int>({"disturb", "error"});
        QTest::newRow("old name taken") << QByteArray("take") << EEXIST;
        QTest::newRow("file deleted") << QByteArray("delete") << ENOENT;
    }

    void leavesARowItCannotRestore() {
        QFETCH(QByteArray, disturb);
        QFETCH(int, error);
        QVERIFY(makeFiles(folder(), {"a.txt", "b.txt", "c.txt"}));
        runPass({"x.txt", "y.txt", "z.txt"});
        const QByteArray base = QFile::encodeName(folder()) + '/';
        if (disturb == "take")
            QVERIFY(writeFile(folder(), "b.txt", "another file"));
        else
            QCOMPARE(::unlink((base + "y.txt").constData()), 0);

        QCOMPARE(undo(), (Failures{{u"y.txt → b.txt"_s, error}}));
        FolderFiles expected{{"a.txt", "a.txt"}, {"c.txt", "c.txt"}};
        if (disturb == "take") {
            expected.insert("b.txt", "another file");
            expected.insert("y.txt", "b.txt");
        }
        QCOMPARE(folderFiles(folder()), expected);
    }

    void undoesTwoPassesInTurn() {
        QVERIFY(makeFiles(folder(), {"a.txt", "b.txt"}));
        const FolderFiles first = folderFiles(folder());
        runPass({"c.txt", "d.txt"});
        const FolderFiles second = folderFiles(folder());
        runPass({"e.txt", "f.txt"});
        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), second);
        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), first);
        QCOMPARE(journal::hasPassToUndo(folder(), journals()), false);
    }

    void commandLineUndo_data() {
        addColumns<QByteArray, int, int, QByteArray>(
            {"situation", "exitCode", "errorLines", "said"});
        QTest::newRow("all restored") << QByteArray("pass") << 0 << 0 << QByteArray();
        QTest::newRow("one not restored")
            << QByteArray("taken") << 1 << 1 << QByteArray("имя занято другим файлом");
        QTest::newRow("nothing to undo") << QByteArray("none") << 2 << 1 << QByteArray();
        QTest::newRow("no such folder") << QByteArray("missing") << 2 << 1 << QByteArray();
        QTest::newRow("saved anew by an editor")
            << QByteArray("saved anew") << 1 << 1
            << QByteArray("d.txt → b.txt: файл заменён другим");
        // The working folder by its bytes, beside the folder its name would turn into as text.
        QTest::newRow("the working folder, not UTF-8")
            << QByteArray("dot") << 0 << 0 << QByteArray();
    }

    void commandLineUndo() {
        QFETCH(QByteArray, situation);
        QFETCH(int, exitCode);
        QFETCH(int, errorLines);
        QFETCH(QByteArray, said);
        const QByteArray inner = QFile::encodeName(folder()) + "/d\xe9";
        const QString where = situation == "dot" ? platform::decodeFileName(inner) : folder();
        if (situation == "dot") {
            QVERIFY(::mkdir(inner.constData(), 0755) == 0);
            QVERIFY(makeFiles(folder(), {"d\xef\xbf\xbd/", "d\xef\xbf\xbd/a.txt"}));
        }
        QVERIFY(makeFiles(where, {"a.txt", "b.txt"}));
        const FolderFiles before = folderFiles(where);
        const FolderFiles sibling = folderFiles(folder() + u"/d\ufffd"_s);
        if (situation != "none")
            runPass({"c.txt", "d.txt"}, where);
        if (situation == "taken")
            QVERIFY(writeFile(folder(), "a.txt", "another file"));
        if (situation == "saved anew") {
            QVERIFY(writeFile(folder(), "d.txt.new", "b.txt, edited"));
            QVERIFY(::rename((QFile::encodeName(folder()) + "/d.txt.new").constData(),
                             (QFile::encodeName(folder()) + "/d.txt").constData()) == 0);
        }

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_STATE_HOME"_s, m_state.path());
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
        program.setProcessEnvironment(environment);
        const QString target = situation == "missing" ? folder() + u"/gone"_s
                               : situation == "dot"   ? u"."_s
                                                      : folder();
        if (situation == "dot")
            program.setChildProcessModifier([inner] {
                if (::chdir(inner.constData()) != 0)
                    ::_exit(99);
            });
        program.start(QStringLiteral(TARVELOK_BINARY), {u"--undo"_s, target});
        QVERIFY(program.waitForFinished(60000));
        const QByteArray errors = program.readAllStandardError();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        QCOMPARE(errors.count('\n'), errorLines);
        QVERIFY2(errors.contains(said), errors.constData());
        if (situation == "pass" || situation == "none" || situation == "dot")
            QCOMPARE(folderFiles(where), before);
        if (situation == "dot")
            QCOMPARE(folderFiles(folder() + u"/d\ufffd"_s), sibling);
    }

    void refusesWhatItCannotTrust_data() {
        addColumns<QByteArray, bool>({"damage", "refused"});
        QTest::newRow("truncated") << QByteArray("truncate") << true;
        QTest::newRow("newer format version") << QByteArray("version") << true;
        QTest::newRow("not a journal") << QByteArray("magic") << true;
        QTest::newRow("folder replaced") << QByteArray("replace") << true;
        QTest::newRow("torn last record") << QByteArray("torn") << false;
    }

    void refusesWhatItCannotTrust() {
        QFETCH(QByteArray, damage);
        QFETCH(bool, refused);
        QVERIFY(makeFiles(folder(), {"a.txt", "b.txt"}));
        const FolderFiles before = folderFiles(folder());
        runPass({"c.txt", "d.txt"});
        const FolderFiles after = folderFiles(folder());
        QFile file(onlyJournal());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = file.readAll();
        if (damage == "truncate") {
            QVERIFY(file.resize(bytes.size() / 2));
        } else if (damage == "version") {
            const quint32 newer = qToLittleEndian(journal::kFormatVersion + 1);
            file.seek(8);
            file.write(reinterpret_cast<const char*>(&newer), sizeof newer);
        } else if (damage == "magic") {
            file.seek(0);
            file.write("NOTAJRNL");
        } else if (damage == "torn") {
            file.seek(bytes.size());
            file.write("\x40\x00\x00\x00\x06partial", 12);
        } else if (damage == "replace") {
            const QString moved = folder() + u".moved"_s;
            QVERIFY(QDir().rename(folder(), moved));
            QVERIFY(QDir().mkdir(folder()));
            QVERIFY(makeFiles(folder(), {"c.txt", "d.txt"}));
            removeFiles(moved);
            QDir().rmdir(moved);
        }
        file.close();

        const journal::PassLookup lookup = journal::latestPass(folder(), journals());
        QCOMPARE(lookup.status, refused ? journal::PassLookup::Status::Refused
                                        : journal::PassLookup::Status::Ready);
        if (refused) {
            QVERIFY(lookup.problem.startsWith(u"Отмена невозможна: "_s));
            QCOMPARE(folderFiles(folder()).keys(), after.keys());
            return;
        }
        QCOMPARE(undo(), Failures{});
        QCOMPARE(folderFiles(folder()), before);
    }

    void keepsTwentyPassesPerFolder() {
        QVERIFY(makeFiles(folder(), {"a.txt"}));
        for (int pass = 0; pass < journal::kPassesPerFolder + 2; ++pass)
            runPass({pass % 2 ? "a.txt" : "b.txt"});
        QCOMPARE(QDir(journals()).entryList(QDir::Files).size(), journal::kPassesPerFolder);
        QCOMPARE(QFileInfo(journals()).permissions() & 0x0077, 0);
    }
};

QTEST_GUILESS_MAIN(TestUndo)
#include "test_undo.moc"
