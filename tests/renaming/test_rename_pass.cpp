// The rename pass over real folders: the pre-pass on disk, one message and one outcome per row.
#include "columns.h"
#include "disk_mount.h"
#include "fake_dialogs.h"
#include "fake_new_name_list.h"
#include "fake_progress.h"
#include "filesystem/file_list_model.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "literal_pre_pass.h"
#include "naming/build_new_names.h"
#include "platform/file_names.h"
#include "platform/stop_request.h"
#include "renaming/rename_pass.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <sched.h>
#include <sys/mount.h>

using namespace Qt::StringLiterals;

namespace {

QString failure(const QString& newName) {
    return u"Файл с именем "_s + newName + u" уже существует"_s;
}

QStringList failures(const QStringList& newNames) {
    QStringList prompts;
    for (const QString& name : newNames)
        prompts.append(failure(name));
    return prompts;
}

/// A rename service that refuses everything, as a read-only drive does; records every call.
class RefusingRenamer final : public platform::FileRenamer {
public:
    QStringList calls;

    int rename(const QString& folder, const QString& oldName, const QString& newName) override {
        calls.append(folder + u'|' + oldName + u'|' + newName);
        return EROFS;
    }
};

/// What a pass reaches of the naming page of a folder: File2's listing, lstNew, prb1, the dialogs.
struct NamingPage {
    explicit NamingPage(const QString& folder, const QString& mask = u"*.*"_s) {
        File2.setFolder(folder, mask);
    }

    renaming::PassOutcome rename(const QStringList& newNames, platform::FileRenamer& renamer) {
        lstNew.items = newNames;
        prb1.maximum = File2.count(); // as the preview leaves it
        return renaming::renamePass(platform::renamePlan(File2, newNames),
                                    {renamer, prb1, dialogs, nullptr, &lstNew});
    }
    renaming::PassOutcome rename(const QStringList& newNames) {
        return rename(newNames, posixRenamer);
    }

    filesystem::FileListModel File2;
    FakeNewNameList lstNew;
    FakeProgress prb1;
    FakeDialogs dialogs;
    filesystem::PosixFileRenamer posixRenamer;
};

/// The mask of the tests that need files the user did not list: those are the ".dat" files.
const QString kNotDat = u"*.txt"_s;

/// Previews `folder` under `parameters`, answering the input boxes with `answers`, then runs the
/// pass; returns the failure messages.
QStringList previewAndRename(const QString& folder, const QStringList& parameters,
                             const QStringList& answers) {
    NamingPage page(folder);
    FakeNewNameList list;
    list.answers = answers;
    const naming::Preview preview = naming::BuildNewNames(
        page.File2.names(), {parameters.at(0), parameters.at(1), parameters.at(2)}, list,
        page.prb1);
    if (!list.answers.isEmpty() || preview.ending != naming::Preview::Ending::Done)
        return {u"<the preview did not complete>"_s};
    page.rename(preview.names);
    return page.dialogs.messages();
}

} // namespace

class TestRenamePass : public QObject {
    Q_OBJECT

private slots:
    void pass_data();
    void pass();
    void outcomePerRow_data();
    void outcomePerRow();
    void targetCreatedAfterPreviewIsKept();
    void vanishedSourceIsReported();
    void previewThenRename_data();
    void previewThenRename();
    void fatCard_data();
    void fatCard();
    void entryThatChangedTypeIsKept();
    void readOnlyFolder();
    void everyFileSurvivesAPassWithFailures();
    void endsEarly_data();
    void endsEarly();
};

void TestRenamePass::pass_data() {
    addColumns<QByteArrayList, QStringList, FolderFiles, QStringList>(
        {"files", "newNames", "after", "failedNames"});

    QTest::newRow("new name held by a later file")
        << QByteArrayList{"a.txt", "b.txt"} << QStringList{u"b.txt"_s, u"c.txt"_s}
        << FolderFiles{{"b.txt", "b.txt"}, {"c.txt", "a.txt"}} << QStringList();
    QTest::newRow("letter case only")
        << QByteArrayList{"a.txt", "b.txt"} << QStringList{u"B.TXT"_s, u"c.txt"_s}
        << FolderFiles{{"B.TXT", "b.txt"}, {"c.txt", "a.txt"}} << QStringList();
    QTest::newRow("files keep their own names")
        << QByteArrayList{"a.txt", "b.txt"} << QStringList{u"a.txt"_s, u"b.txt"_s}
        << FolderFiles{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}} << QStringList();
    QTest::newRow("cycle") << QByteArrayList{"a.txt", "b.txt"}
                           << QStringList{u"b.txt"_s, u"a.txt"_s}
                           << FolderFiles{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}} << QStringList();
    QTest::newRow("chain") << QByteArrayList{"a.txt", "b.txt", "c.txt"}
                           << QStringList{u"b.txt"_s, u"c.txt"_s, u"d.txt"_s}
                           << FolderFiles{{"b.txt", "b.txt"},
                                          {"c.txt", "c.txt"},
                                          {"d.txt", "a.txt"}}
                           << QStringList();
    QTest::newRow("target left out by the mask")
        << QByteArrayList{"a.txt", "b.txt", "keep.dat"} << QStringList{u"keep.dat"_s, u"c.txt"_s}
        << FolderFiles{{"a.txt", "a.txt"}, {"c.txt", "b.txt"}, {"keep.dat", "keep.dat"}}
        << QStringList{u"keep.dat"_s};
    // Before the pre-pass row 0 was to become b.txt; the message names what it tried.
    QTest::newRow("message names the new name after the exchange")
        << QByteArrayList{"a.txt", "b.txt", "k.dat"} << QStringList{u"b.txt"_s, u"k.dat"_s}
        << FolderFiles{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"k.dat", "k.dat"}}
        << QStringList{u"k.dat"_s};
    QTest::newRow("three failures in row order")
        << QByteArrayList{"1.txt", "2.txt", "3.txt", "4.txt", "5.txt",
                          "6.txt", "x.dat", "y.dat", "z.dat"}
        << QStringList{u"y.dat"_s, u"n2"_s, u"x.dat"_s, u"n4"_s, u"z.dat"_s, u"n6"_s}
        << FolderFiles{{"1.txt", "1.txt"}, {"n2", "2.txt"},    {"3.txt", "3.txt"},
                       {"n4", "4.txt"},    {"5.txt", "5.txt"}, {"n6", "6.txt"},
                       {"x.dat", "x.dat"}, {"y.dat", "y.dat"}, {"z.dat", "z.dat"}}
        << QStringList{u"y.dat"_s, u"x.dat"_s, u"z.dat"_s};
    // The pre-pass gives row 0 the name of row 1 after the scan has passed row 1, so a.txt is
    // to become b.txt while b.txt still exists: reported, not overwritten.
    QTest::newRow("name freed only later")
        << QByteArrayList{"a.txt", "b.txt", "c.txt"}
        << QStringList{u"c.txt"_s, u"x.txt"_s, u"b.txt"_s}
        << FolderFiles{{"a.txt", "a.txt"}, {"x.txt", "b.txt"}, {"c.txt", "c.txt"}}
        << QStringList{u"b.txt"_s};
    QTest::newRow("names that would leave the folder or lose the file")
        << QByteArrayList{"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt", "sub/"}
        << QStringList{u"sub/a"_s, u"../b"_s, u"."_s, u".."_s, u""_s, u"f\0g"_s, u"/tmp/g"_s}
        << FolderFiles{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "c.txt"},
                       {"d.txt", "d.txt"}, {"e.txt", "e.txt"}, {"f.txt", "f.txt"},
                       {"g.txt", "g.txt"}, {"sub", "<folder>"}}
        << QStringList{u"sub/a"_s, u"../b"_s, u"."_s, u".."_s, u""_s, u"f\0g"_s, u"/tmp/g"_s};
}

void TestRenamePass::pass() {
    QFETCH(QByteArrayList, files);
    QFETCH(QStringList, newNames);
    QFETCH(FolderFiles, after);
    QFETCH(QStringList, failedNames);

    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    QVERIFY(makeFiles(parent.path(), {"folder/"}));
    const QString folder = parent.filePath(u"folder"_s);
    QVERIFY(makeFiles(folder, files));

    NamingPage page(folder, kNotDat);
    const QStringList exchanged = literalPrePass(newNames, page.File2.names());
    const renaming::PassOutcome outcome = page.rename(newNames);

    QCOMPARE(folderFiles(folder), after);
    QCOMPARE(folderFiles(parent.path()), (FolderFiles{{"folder", "<folder>"}}));
    if (QFileInfo(folder + u"/sub"_s).isDir())
        QCOMPARE(folderFiles(folder + u"/sub"_s), FolderFiles());
    QCOMPARE(page.dialogs.messages(), failures(failedNames));
    for (const DialogCall& call : std::as_const(page.dialogs.calls))
        QCOMPARE(call.title, u"Ошибка !!!"_s);
    // The list shows the names after the exchanges, and the failed rows are those named.
    QCOMPARE(page.lstNew.items, exchanged);
    QStringList failed;
    for (size_t row = 0; row < outcome.errors.size(); ++row)
        if (outcome.errors[row] != 0)
            failed.append(exchanged.at(qsizetype(row)));
    QCOMPARE(failed, failedNames);
}

void TestRenamePass::outcomePerRow_data() {
    addColumns<QByteArrayList, QStringList, bool>({"files", "newNames", "refuseAll"});

    QTest::newRow("empty lists") << QByteArrayList() << QStringList() << false;
    QTest::newRow("all renamed") << QByteArrayList{"a", "b", "c"}
                                 << QStringList{u"x"_s, u"y"_s, u"z"_s} << false;
    QTest::newRow("every rename refused")
        << QByteArrayList{"a", "b", "c"} << QStringList{u"x"_s, u"y"_s, u"z"_s} << true;
}

void TestRenamePass::outcomePerRow() {
    QFETCH(QByteArrayList, files);
    QFETCH(QStringList, newNames);
    QFETCH(bool, refuseAll);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), files));
    NamingPage page(dir.path());
    RefusingRenamer refusing;
    const renaming::PassOutcome outcome =
        refuseAll ? page.rename(newNames, refusing) : page.rename(newNames);

    QCOMPARE(outcome.errors, std::vector<int>(size_t(files.size()), refuseAll ? EROFS : 0));
    QCOMPARE(outcome.left, 0);
    // The bar goes through the rows once for the exchanges and once for the renames.
    QList<qint64> values;
    for (int round = 0; round < 2; ++round)
        for (qsizetype row = 0; row < files.size(); ++row)
            values.append(row);
    QCOMPARE(page.prb1.values, values);
    QVERIFY(!page.prb1.overflowed);
    const QByteArrayList onDisk = folderFiles(dir.path()).keys();
    if (refuseAll) {
        QCOMPARE(page.dialogs.messages(), failures(newNames));
        QStringList expectedCalls;
        for (qsizetype row = 0; row < files.size(); ++row)
            expectedCalls.append(dir.path() + u'|' + QString::fromUtf8(files.at(row)) + u'|' +
                                 newNames.at(row));
        QCOMPARE(refusing.calls, expectedCalls);
        QCOMPARE(onDisk, files);
    } else {
        QCOMPARE(page.dialogs.messages(), QStringList());
        QCOMPARE(onDisk.size(), files.size());
    }
}

void TestRenamePass::targetCreatedAfterPreviewIsKept() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.jpg", "b.jpg", "c.jpg"}));
    NamingPage page(dir.path());
    // Someone else saves a file under one of the previewed names before the click.
    QVERIFY(writeFile(dir.path(), "2.jpg", "someone else's photo"));

    page.rename({u"1.jpg"_s, u"2.jpg"_s, u"3.jpg"_s});

    QCOMPARE(page.dialogs.messages(), failures({u"2.jpg"_s}));
    QCOMPARE(folderFiles(dir.path()), (FolderFiles{{"1.jpg", "a.jpg"},
                                                   {"2.jpg", "someone else's photo"},
                                                   {"b.jpg", "b.jpg"},
                                                   {"3.jpg", "c.jpg"}}));
}

void TestRenamePass::vanishedSourceIsReported() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.jpg", "b.jpg", "c.jpg"}));
    NamingPage page(dir.path());
    QVERIFY(QFile::remove(dir.filePath(u"b.jpg"_s)));

    const renaming::PassOutcome outcome = page.rename({u"1.jpg"_s, u"2.jpg"_s, u"3.jpg"_s});

    QCOMPARE(page.dialogs.messages(), failures({u"2.jpg"_s}));
    QCOMPARE(outcome.errors, (std::vector<int>{0, ENOENT, 0}));
    QCOMPARE(folderFiles(dir.path()), (FolderFiles{{"1.jpg", "a.jpg"}, {"3.jpg", "c.jpg"}}));
}

void TestRenamePass::previewThenRename_data() {
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QStringList>("parameters"); // base name, addition, ending
    addColumns<QStringList, FolderFiles>({"answers", "after"});

    // The preview asks about the first row, A.txt; the answer is for that file and no other.
    QTest::newRow("case twins: the file asked about is renamed")
        << QByteArrayList{"A.txt", "a.txt"} << QStringList{u"a"_s, u"-"_s, u".*"_s}
        << QStringList{u"x.txt"_s} << FolderFiles{{"x.txt", "A.txt"}, {"a.txt", "a.txt"}};
    QTest::newRow("Cyrillic case twins")
        << QByteArrayList{u"Ёж.txt"_s.toUtf8(), u"ёж.txt"_s.toUtf8()}
        << QStringList{u"ёж"_s, u"-"_s, u".*"_s} << QStringList{u"ёлка.txt"_s}
        << FolderFiles{{u"ёлка.txt"_s.toUtf8(), u"Ёж.txt"_s.toUtf8()},
                       {u"ёж.txt"_s.toUtf8(), u"ёж.txt"_s.toUtf8()}};
    // Three names that all show as "caf�.txt": two are not UTF-8, one holds the mark itself.
    QTest::newRow("byte twins are left alone by the keep markers")
        << QByteArrayList{"caf\xE9.txt", "caf\xFF.txt", "caf\xEF\xBF\xBD.txt"}
        << QStringList{u"*"_s, u"-"_s, u".*"_s} << QStringList()
        << FolderFiles{{"caf\xE9.txt", "caf\xE9.txt"},
                       {"caf\xFF.txt", "caf\xFF.txt"},
                       {"caf\xEF\xBF\xBD.txt", "caf\xEF\xBF\xBD.txt"}};
    QTest::newRow("a kept stem keeps its bytes")
        << QByteArrayList{"caf\xE9.txt", "caf\xFF.txt", "caf\xEF\xBF\xBD.txt"}
        << QStringList{u"*"_s, u"-"_s, u".doc"_s} << QStringList()
        << FolderFiles{{"caf\xE9.doc", "caf\xE9.txt"},
                       {"caf\xFF.doc", "caf\xFF.txt"},
                       {"caf\xEF\xBF\xBD.doc", "caf\xEF\xBF\xBD.txt"}};
    // Upper-cased in full, "straße1.txt" would match "strasse1.txt" and the two rows exchange.
    QTest::newRow("upper case keeps the length")
        << QByteArrayList{"b.txt", "strasse1.txt"} << QStringList{u"straße"_s, u"1"_s, u".*"_s}
        << QStringList()
        << FolderFiles{{u"straße1.txt"_s.toUtf8(), "b.txt"},
                       {u"straße2.txt"_s.toUtf8(), "strasse1.txt"}};
}

// A preview of the real folder, then the pass: each file ends up under the name its own row
// was given, checked by the content it started with.
void TestRenamePass::previewThenRename() {
    QFETCH(QByteArrayList, files);
    QFETCH(QStringList, parameters);
    QFETCH(QStringList, answers);
    QFETCH(FolderFiles, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), files));
    FolderFiles before;
    for (const QByteArray& name : files)
        before.insert(name, name);
    QCOMPARE(folderFiles(dir.path()), before);

    const QStringList messages = previewAndRename(dir.path(), parameters, answers);

    const FolderFiles seen = folderFiles(dir.path());
    removeFiles(dir.path());
    QCOMPARE(messages, QStringList());
    QCOMPARE(seen, after);
}

void TestRenamePass::fatCard_data() {
    addColumns<QStringList, FolderFiles, QStringList>({"parameters", "after", "failedNames"});

    QTest::newRow("endings in lower case")
        << QStringList{u"*"_s, u"-"_s, u".mp3"_s}
        << FolderFiles{{"SONG1.mp3", "SONG1.MP3"}, {"SONG2.mp3", "SONG2.MP3"}} << QStringList();
    QTest::newRow("a name FAT forbids")
        << QStringList{u"what?"_s, u"1"_s, u".mp3"_s}
        << FolderFiles{{"SONG1.MP3", "SONG1.MP3"}, {"SONG2.MP3", "SONG2.MP3"}}
        << QStringList{u"what?1.mp3"_s, u"what?2.mp3"_s};
}

// Camera cards and USB sticks: a FAT file system, mounted through FUSE.
void TestRenamePass::fatCard() {
    QFETCH(QStringList, parameters);
    QFETCH(FolderFiles, after);
    QFETCH(QStringList, failedNames);

    DiskMount card;
    if (!card.isMounted())
        QSKIP(qPrintable(u"no FAT file system can be mounted here: "_s + card.whyNot()));
    QVERIFY(makeFiles(card.path(), {"SONG1.MP3", "SONG2.MP3"}));
    QCOMPARE(folderFiles(card.path()),
             (FolderFiles{{"SONG1.MP3", "SONG1.MP3"}, {"SONG2.MP3", "SONG2.MP3"}}));

    QCOMPARE(previewAndRename(card.path(), parameters, {}), failures(failedNames));
    QCOMPARE(folderFiles(card.path()), after);
}

// An entry that became a folder or a pipe after the preview is no file of the user's to rename.
void TestRenamePass::entryThatChangedTypeIsKept() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.txt", "b.txt", "c.txt", "d.txt"}));
    NamingPage page(dir.path());
    QCOMPARE(page.File2.count(), 4);
    const QByteArray base = QFile::encodeName(dir.path()) + '/';
    QCOMPARE(::unlink((base + "b.txt").constData()), 0);
    QVERIFY(makeFiles(dir.path(), {"b.txt/"}));
    QCOMPARE(::unlink((base + "c.txt").constData()), 0);
    QCOMPARE(::mkfifo((base + "c.txt").constData(), 0600), 0);
    QCOMPARE(::unlink((base + "d.txt").constData()), 0);
    QVERIFY(makeFiles(dir.path(), {"d.txt -> a.txt"}));

    page.rename({u"1.txt"_s, u"2.txt"_s, u"3.txt"_s, u"4.txt"_s});

    QCOMPARE(page.dialogs.messages(), failures({u"2.txt"_s, u"3.txt"_s}));
    struct stat status;
    QCOMPARE(::lstat((base + "c.txt").constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
    QCOMPARE(::unlink((base + "c.txt").constData()), 0);
    QCOMPARE(folderFiles(dir.path()),
             (FolderFiles{{"1.txt", "a.txt"}, {"b.txt", "<folder>"}, {"4.txt", "-> a.txt"}}));
}

// Permissions do not stop root, who runs the tests on CI: a read-only bind mount does.
void TestRenamePass::readOnlyFolder() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.jpg", "b.jpg", "c.jpg"}));
    const FolderFiles before = folderFiles(dir.path());
    const QByteArray path = QFile::encodeName(dir.path());

    bool mounted = false;
    if (::geteuid() != 0) {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    } else {
        // A mount namespace of this process's own keeps the mount away from the rest of the
        // machine; private propagation keeps it from leaking back.
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
            QSKIP("no read-only mount can be made here");
        mounted = true;
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                    nullptr) != 0) {
            ::umount2(path.constData(), MNT_DETACH);
            QSKIP("no read-only mount can be made here");
        }
    }

    NamingPage page(dir.path());
    page.rename({u"1.jpg"_s, u"2.jpg"_s, u"3.jpg"_s});
    const FolderFiles seen = folderFiles(dir.path());
    const QStringList messages = page.dialogs.messages();

    if (mounted)
        QCOMPARE(::umount2(path.constData(), 0), 0);
    else
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(messages, failures({u"1.jpg"_s, u"2.jpg"_s, u"3.jpg"_s}));
    QCOMPARE(seen, before);
    QCOMPARE(folderFiles(dir.path()), before);
}

// A larger pass with every kind of row, checked by content hashes: every file is still there,
// under the name its row gave it, or under its old name where a message said its row failed.
void TestRenamePass::everyFileSurvivesAPassWithFailures() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QRandomGenerator random(20240611);
    const int listed = 300;
    ContentHashes hashOfName;
    for (int k = 0; k < listed + 30; ++k) {
        // The ".dat" files are left out by the mask; rows that take their names fail.
        const QByteArray name = k < listed ? "f" + QByteArray::number(1000 + k) + ".txt"
                                           : "g" + QByteArray::number(k) + ".dat";
        QByteArray content(64, '\0');
        for (char& byte : content)
            byte = char(random.bounded(256));
        QVERIFY(writeFile(dir.path(), name, content));
        hashOfName.insert(name, contentHash(content));
    }
    NamingPage page(dir.path(), kNotDat);
    QCOMPARE(page.File2.count(), listed);

    QStringList newNames;
    for (int row = 0; row < listed; ++row) {
        if (row % 7 == 3)
            newNames.append(u"g%1.dat"_s.arg(listed + row % 30));
        else if (row % 5 == 1)
            newNames.append(u"F%1.TXT"_s.arg(1000 + (row * 37) % listed)); // some row's name
        else
            newNames.append(u"new%1.txt"_s.arg(row));
    }
    // A preview leaves no repeats.
    for (int row = 0; row < listed; ++row)
        if (newNames.indexOf(newNames.at(row)) != row)
            newNames[row] = u"again%1.txt"_s.arg(row);

    // What the folder must look like: the rows renamed in order, each only onto a free name.
    const QStringList currentNames = page.File2.names();
    const QStringList finalNames = literalPrePass(newNames, currentNames);
    ContentHashes expected = hashOfName;
    QStringList expectedFailures;
    for (qsizetype row = 0; row < listed; ++row) {
        const QByteArray from = platform::encodeFileName(currentNames.at(row));
        const QByteArray to = finalNames.at(row).toUtf8();
        if (from == to)
            continue;
        if (expected.contains(to)) {
            expectedFailures.append(failure(finalNames.at(row)));
            continue;
        }
        expected.insert(to, expected.take(from));
    }
    QVERIFY(expectedFailures.size() >= 20);

    page.rename(newNames);

    QCOMPARE(contentHashes(dir.path()), expected);
    QCOMPARE(page.dialogs.messages(), expectedFailures);
}

void TestRenamePass::endsEarly_data() {
    addColumns<bool, int>({"fat", "why"});
    QTest::newRow("the folder removed") << false << ENOENT;
    QTest::newRow("the FAT card's driver killed") << true << ENOTCONN;
    QTest::newRow("a stop requested") << false << 0;
}

// The second row's rename meets a folder that is gone: its own box, one box for the folder, and
// no box, nor any attempt, for the rows after it. Asked to stop instead, the row finishes.
void TestRenamePass::endsEarly() {
    QFETCH(bool, fat);
    QFETCH(int, why);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::unique_ptr<DiskMount> card;
    QString folder = dir.filePath(u"photos"_s);
    if (fat) {
        card = std::make_unique<DiskMount>();
        if (!card->isMounted())
            QSKIP(qPrintable(u"no FAT file system can be mounted here: "_s + card->whyNot()));
        folder = card->path();
    } else {
        QVERIFY(QDir(dir.path()).mkdir(u"photos"_s));
    }
    QVERIFY(makeFiles(folder, {"1.jpg", "2.jpg", "3.jpg", "4.jpg"}));

    NamingPage page(folder);
    QSet<QByteArray> tried;
    page.posixRenamer.setBeforeRename([&](const QByteArray& from, const QByteArray&) {
        tried.insert(from);
        if (from != "2.jpg" || tried.size() != 2)
            return;
        if (why == 0) {
            platform::requestStop();
        } else if (fat) {
            QVERIFY(card->killDriver());
        } else {
            for (const char* name : {"a.jpg", "2.jpg", "3.jpg", "4.jpg"})
                QVERIFY(QFile::rename(folder + u'/' + QLatin1StringView(name),
                                      dir.filePath(QLatin1StringView(name))));
            QVERIFY(QDir(dir.path()).rmdir(u"photos"_s));
        }
    });
    const renaming::PassOutcome outcome =
        page.rename({u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"d.jpg"_s});
    platform::requestStop(false);

    const QStringList messages{failure(u"b.jpg"_s),
                               u"Папка недоступна, переименование остановлено\n"_s +
                                   qt_error_string(why)};
    QCOMPARE(page.dialogs.messages(), why == 0 ? QStringList() : messages);
    QCOMPARE(tried, (QSet<QByteArray>{"1.jpg", "2.jpg"}));
    QCOMPARE(outcome.errors.size(), size_t(2));
    QCOMPARE(outcome.errors.front(), 0);
    QCOMPARE(outcome.errors.back() == 0, why == 0);
    QCOMPARE(outcome.left, 2);
}

QTEST_GUILESS_MAIN(TestRenamePass)
#include "test_rename_pass.moc"
