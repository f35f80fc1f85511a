// The real program ended by SIGTERM, or killed by SIGKILL and then put right as its next start
// does, at varied moments of a pass: every file is under its old or its new name, once, and
// nothing is left under a name the pass made on the way.
#include "columns.h"
#include "disk_mount.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "journal/repair.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

class TestEndingSignals : public QObject {
    Q_OBJECT

private slots:
    void endedMidPassStrandsNothing_data();
    void endedMidPassStrandsNothing();
    void endedInARepeatPrompt();
};

void TestEndingSignals::endedMidPassStrandsNothing_data() {
    addColumns<bool, int, int, int>({"fat", "files", "ends", "signal"});
    QTest::newRow("the temporary folder's file system") << false << 5000 << 16 << SIGTERM;
    QTest::newRow("a FAT card through fusefat") << true << 40 << 6 << SIGTERM;
    QTest::newRow("killed, the temporary folder's file system") << false << 5000 << 8 << SIGKILL;
    QTest::newRow("killed, a FAT card through fusefat") << true << 40 << 4 << SIGKILL;
}

// Letter case only: every row takes the way through an aside name, two renames apart, and on
// the FAT card the claim as well, so a signal often falls between two steps of a row.
void TestEndingSignals::endedMidPassStrandsNothing() {
    QFETCH(bool, fat);
    QFETCH(int, files);
    QFETCH(int, ends);
    QFETCH(int, signal);

    QTemporaryDir dir;
    std::unique_ptr<DiskMount> card;
    QString folder = dir.path();
    if (fat) {
        card = std::make_unique<DiskMount>();
        if (!card->isMounted())
            QSKIP(qPrintable(u"no FAT file system can be mounted here: "_s + card->whyNot()));
        folder = card->path();
    }
    QByteArrayList names;
    for (int k = 0; k < files; ++k)
        names.append("s" + QByteArray::number(1000 + k));
    for (const QByteArray& name : names)
        QVERIFY(writeFile(folder, name + ".mp3", name));

    QRandomGenerator random(QRandomGenerator::global()->generate());
    int stoppedMidPass = 0;
    // The first run goes undisturbed and times the pass; the signals fall within that time.
    qint64 passMs = 0;
    for (int end = 0; end <= ends; ++end) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(environment);
        // Each run turns every ending round, so every run renames every file.
        program.start(QStringLiteral(PASS_DRIVER), {folder, end % 2 == 0 ? u".MP3"_s : u".mp3"_s});
        QVERIFY(program.waitForStarted());
        // Taken now: once the program has ended, processId() is 0, and kill(0) would end us all.
        const auto pid = pid_t(program.processId());
        QVERIFY(pid > 0);
        while (!program.canReadLine())
            QVERIFY2(program.waitForReadyRead(60000), program.readAllStandardError().constData());
        QElapsedTimer clock;
        clock.start();
        // The varied moment is the point here: nothing to wait for but the clock.
        if (end > 0)
            QTest::qWait(int(random.bounded(passMs + 1)));
        if (end > 0 && program.state() == QProcess::Running)
            QCOMPARE(::kill(pid, signal), 0);
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(120000));
        if (end == 0)
            passMs = clock.elapsed();
        const QByteArray said = program.readAllStandardError();

        if (program.exitStatus() == QProcess::CrashExit && signal == SIGKILL) {
            QCOMPARE(program.exitCode(), SIGKILL);
            ++stoppedMidPass;
            filesystem::PosixFileRenamer renamer;
            journal::repairInterruptedPasses(renamer);
        } else if (program.exitStatus() == QProcess::CrashExit) {
            // The signal's own status, as the shell sees it without a handler. Without the line
            // the signal came just before the pass or just after it, outside the work.
            QCOMPARE(program.exitCode(), SIGTERM);
            const qsizetype line = said.indexOf("SIGTERM: работа остановлена; ");
            if (line >= 0 && !said.mid(line).startsWith(
                                 "SIGTERM: работа остановлена; файлов оставлено как было: 0\n"))
                ++stoppedMidPass;
        } else {
            QCOMPARE(program.exitCode(), 0); // the pass ended before the signal came
        }

        const FolderFiles after = folderFiles(folder);
        QCOMPARE(after.size(), files);
        QByteArrayList contents;
        for (auto file = after.cbegin(); file != after.cend(); ++file) {
            QVERIFY2(!file.key().startsWith("tarvelok-"), file.key().constData());
            QCOMPARE(file.key().toLower(), file.value() + ".mp3");
            contents.append(file.value());
        }
        std::sort(contents.begin(), contents.end());
        QCOMPARE(contents, names);
    }
    QVERIFY2(stoppedMidPass > 0, "no signal fell inside a pass");

    if (fat) {
        QVERIFY(card->unmount());
        QString report;
        QVERIFY2(card->imageIsClean(&report), qPrintable(report));
    }
}

// The preview stops as the user's Cancel would stop it, and the program ends by the signal.
void TestEndingSignals::endedInARepeatPrompt() {
    QTemporaryDir dir;
    QVERIFY(makeFiles(dir.path(), {"a.mp3", "a.wav", "b.mp3"}));
    const FolderFiles before = folderFiles(dir.path());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(environment);
    // Both a files would be a.mp3: the first is asked about.
    program.start(QStringLiteral(PASS_DRIVER), {dir.path(), u".mp3"_s});
    QVERIFY(program.waitForStarted());
    while (!program.canReadLine())
        QVERIFY2(program.waitForReadyRead(60000), program.readAllStandardError().constData());
    QCOMPARE(program.readLine(), "asking\n"_ba);
    QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
    QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(60000));

    QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    QCOMPARE(program.exitCode(), SIGTERM);
    const QByteArray said = program.readAllStandardError();
    QVERIFY2(said.contains("SIGTERM: работа остановлена; файлов оставлено как было: 3\n"),
             said.constData());
    QVERIFY(!program.readAllStandardOutput().contains("renaming"));
    QCOMPARE(folderFiles(dir.path()), before);
}

QTEST_GUILESS_MAIN(TestEndingSignals)
#include "test_ending_signals.moc"
