// The Linux file-rename service on real folders, through each of its ways of not replacing a file.
#include "columns.h"
#include "disk_mount.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "platform/file_names.h"
#include "standard_error.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Strategy = filesystem::PosixFileRenamer::Strategy;

namespace {

const QList<QPair<const char*, Strategy>> kStrategies = {
    {"renameat2", Strategy::Automatic},
    {"link+unlink", Strategy::LinkThenUnlink},
    {"claim+rename", Strategy::ClaimThenRename},
};

} // namespace

class TestPosixFileRenamer : public QObject {
    Q_OBJECT

private slots:
    void rename_data();
    void rename();
    void refusesNamesThatLeaveTheFolder_data();
    void refusesNamesThatLeaveTheFolder();
    void keepsSecondHardLink_data();
    void keepsSecondHardLink();
    void releasedFolderIsOpenedAfresh();
    void fatMedia_data();
    void fatMedia();
    void fatCardSurvivesManyCaseOnlyRenames();
    void leavesNothingOnAFullCard();
    void lastFallbackClaimsTheTarget_data();
    void lastFallbackClaimsTheTarget();
    void doubleFaultsLeaveATrail_data();
    void doubleFaultsLeaveATrail();
    void failedWayBackLeavesATrail();
};

void TestPosixFileRenamer::rename_data() {
    addColumns<Strategy, QByteArrayList, QByteArray, QString, int, FolderFiles>(
        {"strategy", "before", "oldName", "newName", "error", "after"});

    for (const auto& [label, strategy] : kStrategies) {
        const auto row = [label](const char* name) -> QTestData& {
            return QTest::addRow("%s: %s", label, name);
        };
        row("plain") << strategy << QByteArrayList{"a.txt"} << "a.txt"_ba << u"b.txt"_s << 0
                     << FolderFiles{{"b.txt", "a.txt"}};
        row("existing target stays")
            << strategy << QByteArrayList{"a.txt", "b.txt"} << "a.txt"_ba << u"b.txt"_s << EEXIST
            << FolderFiles{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}};
        row("existing folder as target")
            << strategy << QByteArrayList{"a.txt", "b/"} << "a.txt"_ba << u"b"_s << EEXIST
            << FolderFiles{{"a.txt", "a.txt"}, {"b", "<folder>"}};
        row("dangling symbolic link as target stays")
            << strategy << QByteArrayList{"a.txt", "b.txt -> nowhere"} << "a.txt"_ba << u"b.txt"_s
            << EEXIST << FolderFiles{{"a.txt", "a.txt"}, {"b.txt", "-> nowhere"}};
        row("symbolic link renamed, not its file")
            << strategy << QByteArrayList{"a.txt", "l -> a.txt"} << "l"_ba << u"m"_s << 0
            << FolderFiles{{"a.txt", "a.txt"}, {"m", "-> a.txt"}};
        row("own name is a silent no-op") << strategy << QByteArrayList{"a.txt"} << "a.txt"_ba
                                          << u"a.txt"_s << 0 << FolderFiles{{"a.txt", "a.txt"}};
        row("letter case only") << strategy << QByteArrayList{"b.txt"} << "b.txt"_ba << u"B.TXT"_s
                                << 0 << FolderFiles{{"B.TXT", "b.txt"}};
        row("vanished source") << strategy << QByteArrayList{"a.txt"} << "gone.txt"_ba << u"b.txt"_s
                               << ENOENT << FolderFiles{{"a.txt", "a.txt"}};
        row("vanished source under its own name")
            << strategy << QByteArrayList{"a.txt"} << "gone.txt"_ba << u"gone.txt"_s << ENOENT
            << FolderFiles{{"a.txt", "a.txt"}};
        row("old name not UTF-8, renamed by its bytes")
            << strategy << QByteArrayList{"caf\xE9.txt", "caf\xEF\xBF\xBD.txt"} << "caf\xE9.txt"_ba
            << u"cafe.txt"_s << 0
            << FolderFiles{{"cafe.txt", "caf\xE9.txt"},
                           {"caf\xEF\xBF\xBD.txt", "caf\xEF\xBF\xBD.txt"}};
        row("old name not UTF-8 keeps its bytes under its own text")
            << strategy << QByteArrayList{"caf\xE9.txt"} << "caf\xE9.txt"_ba
            << (u"caf"_s + escaped(0xE9) + u".txt"_s) << 0
            << FolderFiles{{"caf\xE9.txt", "caf\xE9.txt"}};
        row("stem not UTF-8 keeps its bytes in a new name")
            << strategy << QByteArrayList{"caf\xE9.txt"} << "caf\xE9.txt"_ba
            << (u"caf"_s + escaped(0xE9) + u"1.txt"_s) << 0
            << FolderFiles{{"caf\xE9"
                            "1.txt",
                            "caf\xE9.txt"}};
        row("typed replacement mark is written as typed")
            << strategy << QByteArrayList{"caf\xE9.txt"} << "caf\xE9.txt"_ba << u"caf\uFFFD.txt"_s
            << 0 << FolderFiles{{"caf\xEF\xBF\xBD.txt", "caf\xE9.txt"}};
        row("letter case only onto a twin keeps both")
            << strategy << QByteArrayList{"A.txt", "a.txt"} << "A.txt"_ba << u"a.txt"_s << EEXIST
            << FolderFiles{{"A.txt", "A.txt"}, {"a.txt", "a.txt"}};
        row("folder is not renamed") << strategy << QByteArrayList{"d/"} << "d"_ba << u"e"_s
                                     << EISDIR << FolderFiles{{"d", "<folder>"}};
        row("Cyrillic new name") << strategy << QByteArrayList{"a.jpg"} << "a.jpg"_ba
                                 << u"фото.jpg"_s << 0
                                 << FolderFiles{{u"фото.jpg"_s.toUtf8(), "a.jpg"}};
    }
}

void TestPosixFileRenamer::rename() {
    QFETCH(Strategy, strategy);
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, oldName);
    QFETCH(QString, newName);
    QFETCH(int, error);
    QFETCH(FolderFiles, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), before));

    filesystem::PosixFileRenamer renamer(strategy);
    QCOMPARE(renamer.rename(dir.path(), platform::decodeFileName(oldName), newName), error);
    const FolderFiles files = folderFiles(dir.path());
    removeFiles(dir.path());
    QCOMPARE(files, after);
}

void TestPosixFileRenamer::refusesNamesThatLeaveTheFolder_data() {
    addColumns<Strategy, QByteArray, QString>({"strategy", "oldName", "newName"});

    for (const auto& [label, strategy] : kStrategies) {
        const auto row = [label](const char* name) -> QTestData& {
            return QTest::addRow("%s: %s", label, name);
        };
        row("into a subfolder") << strategy << "a.txt"_ba << u"sub/a.txt"_s;
        row("into the parent") << strategy << "a.txt"_ba << u"../a.txt"_s;
        row("absolute path") << strategy << "a.txt"_ba << u"/tmp/a.txt"_s;
        row("dot") << strategy << "a.txt"_ba << u"."_s;
        row("dot dot") << strategy << "a.txt"_ba << u".."_s;
        row("empty") << strategy << "a.txt"_ba << u""_s;
        row("NUL cuts the name short") << strategy << "a.txt"_ba << u"b.txt\0.jpg"_s;
        row("old name from the parent") << strategy << "../outside.txt"_ba << u"in.txt"_s;
        row("old name is the folder itself") << strategy << "."_ba << u"x"_s;
        row("old name with NUL") << strategy << "a.txt\0junk"_ba << u"x.txt"_s;
    }
}

void TestPosixFileRenamer::refusesNamesThatLeaveTheFolder() {
    QFETCH(Strategy, strategy);
    QFETCH(QByteArray, oldName);
    QFETCH(QString, newName);

    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    QVERIFY(makeFiles(parent.path(), {"work/", "outside.txt"}));
    const QString folder = parent.path() + u"/work"_s;
    QVERIFY(makeFiles(folder, {"a.txt", "sub/"}));
    const FolderFiles parentBefore = folderFiles(parent.path());
    const FolderFiles folderBefore = folderFiles(folder);

    filesystem::PosixFileRenamer renamer(strategy);
    QCOMPARE(renamer.rename(folder, platform::decodeFileName(oldName), newName), EINVAL);
    QCOMPARE(folderFiles(parent.path()), parentBefore);
    QCOMPARE(folderFiles(folder), folderBefore);
    QCOMPARE(folderFiles(folder + u"/sub"_s), FolderFiles());
}

void TestPosixFileRenamer::keepsSecondHardLink_data() {
    QTest::addColumn<Strategy>("strategy");
    for (const auto& [label, strategy] : kStrategies)
        QTest::newRow(label) << strategy;
}

// Two names of one file look like a case-only rename on a file system that ignores case (same
// device and inode); here the target is a name of its own, and it must stay.
void TestPosixFileRenamer::keepsSecondHardLink() {
    QFETCH(Strategy, strategy);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.txt"}));
    QCOMPARE(::link(QFile::encodeName(dir.filePath(u"a.txt"_s)).constData(),
                    QFile::encodeName(dir.filePath(u"A.TXT"_s)).constData()),
             0);

    filesystem::PosixFileRenamer renamer(strategy);
    QCOMPARE(renamer.rename(dir.path(), u"a.txt"_s, u"A.TXT"_s), EEXIST);
    // Both names are back, and nothing is left under a name set aside on the way.
    QCOMPARE(folderFiles(dir.path()), (FolderFiles{{"a.txt", "a.txt"}, {"A.TXT", "a.txt"}}));
}

void TestPosixFileRenamer::releasedFolderIsOpenedAfresh() {
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const QString folder = parent.filePath(u"photos"_s);
    QVERIFY(makeFiles(parent.path(), {"photos/"}));
    QVERIFY(makeFiles(folder, {"1.jpg"}));

    filesystem::PosixFileRenamer renamer;
    QCOMPARE(renamer.rename(folder, u"1.jpg"_s, u"2.jpg"_s), 0);
    // The folder is replaced by another of the same name between two passes.
    QCOMPARE(::rename(QFile::encodeName(folder).constData(),
                      QFile::encodeName(parent.filePath(u"old photos"_s)).constData()),
             0);
    QVERIFY(makeFiles(parent.path(), {"photos/"}));
    QVERIFY(makeFiles(folder, {"1.jpg"}));
    renamer.releaseFolder();

    QCOMPARE(renamer.rename(folder, u"1.jpg"_s, u"3.jpg"_s), 0);
    QCOMPARE(folderFiles(folder), (FolderFiles{{"3.jpg", "1.jpg"}}));
    QCOMPARE(folderFiles(parent.filePath(u"old photos"_s)), (FolderFiles{{"2.jpg", "1.jpg"}}));
}

void TestPosixFileRenamer::fatMedia_data() {
    addColumns<QByteArrayList, QString, QString, int>({"before", "oldName", "newName", "error"});
    QTest::addColumn<QMap<QByteArray, QByteArray>>("after"); // name -> name before

    using Names = QMap<QByteArray, QByteArray>;
    // The driver numbers the two spellings of one name apart, and knows no RENAME_NOREPLACE and
    // no hard links: every rename here takes the last fallback.
    QTest::newRow("ending in lower case") << QByteArrayList{"SONG.MP3"} << u"SONG.MP3"_s
                                          << u"SONG.mp3"_s << 0 << Names{{"SONG.mp3", "SONG.MP3"}};
    QTest::newRow("whole name in lower case")
        << QByteArrayList{"IMG_0001.JPG", "IMG_0002.JPG"} << u"IMG_0001.JPG"_s << u"img_0001.jpg"_s
        << 0 << Names{{"img_0001.jpg", "IMG_0001.JPG"}, {"IMG_0002.JPG", "IMG_0002.JPG"}};
    QTest::newRow("plain rename") << QByteArrayList{"a.jpg"} << u"a.jpg"_s << u"Holiday 1.jpg"_s
                                  << 0 << Names{{"Holiday 1.jpg", "a.jpg"}};
    // This driver cannot write names beyond ASCII, and a plain rename to one loses the file: the
    // name never reaches it.
    QTest::newRow("name the driver refuses")
        << QByteArrayList{"a.jpg"} << u"a.jpg"_s << u"Отпуск 1.jpg"_s << EINVAL
        << Names{{"a.jpg", "a.jpg"}};
    QTest::newRow("existing target stays")
        << QByteArrayList{"a.jpg", "b.jpg"} << u"a.jpg"_s << u"B.JPG"_s << EEXIST
        << Names{{"a.jpg", "a.jpg"}, {"b.jpg", "b.jpg"}};
    // Names FAT forbids are refused before the driver sees them: some drivers delete the file.
    for (const char* forbidden : {"what?.x", "a:b.jpg", "a*.jpg", "a<b", "a>b", "a|b", "a\"b",
                                  "a\\b", "trailing dot.", "trailing blank ", "tab\there"})
        QTest::addRow("forbidden: %s", forbidden)
            << QByteArrayList{"a.jpg"} << u"a.jpg"_s << QString::fromUtf8(forbidden) << EINVAL
            << Names{{"a.jpg", "a.jpg"}};
}

void TestPosixFileRenamer::fatMedia() {
    QFETCH(QByteArrayList, before);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(int, error);
    using Names = QMap<QByteArray, QByteArray>;
    QFETCH(Names, after);

    DiskMount card;
    if (!card.isMounted())
        QSKIP(qPrintable(u"no FAT file system can be mounted here: "_s + card.whyNot()));
    QVERIFY(makeFiles(card.path(), before));
    Names names;
    for (const QByteArray& name : before)
        names.insert(name, name);
    QCOMPARE(folderFiles(card.path()), names);

    filesystem::PosixFileRenamer renamer;
    QCOMPARE(renamer.rename(card.path(), oldName, newName), error);
    renamer.releaseFolder();
    QCOMPARE(folderFiles(card.path()), after);
}

namespace {

class StepCount final : public platform::RenameSteps {
public:
    void step(Kind kind, QByteArrayView, quint64 inode) override {
        if (kind == Kind::Claim && inode != 0)
            ++claims;
    }
    int claims = 0;
};

} // namespace

// A card's worth of case-only renames there and back, each through two claims: the driver
// corrupted its folders when a file was renamed over a claim still open.
void TestPosixFileRenamer::fatCardSurvivesManyCaseOnlyRenames() {
    constexpr int count = 500;
    // Folders of 25: one of 30 outgrows its first cluster during the pass, and this driver then
    // corrupts it whatever the renamer does, plain renames too; and it looks names up one by one,
    // so one folder of 500 would take minutes.
    constexpr int perFolder = 25;
    DiskMount card;
    if (!card.isMounted())
        QSKIP(qPrintable(u"no FAT file system can be mounted here: "_s + card.whyNot()));
    QMap<QString, ContentHashes> expected; // folder -> name -> hash
    QList<QPair<QString, QString>> files;  // folder, name in upper case
    for (int i = 1; i <= count; ++i) {
        const QByteArray folderName = "CD" + QByteArray::number((i - 1) / perFolder + 1);
        const QString folder = card.path() + u'/' + QString::fromLatin1(folderName);
        if ((i - 1) % perFolder == 0)
            QVERIFY(makeFiles(card.path(), {folderName + '/'}));
        const QByteArray name = "S" + QByteArray::number(i).rightJustified(3, '0') + ".MP3";
        // Sizes apart too, so that a file left with another's bytes shows.
        QByteArray content = name.repeated(1 + i % 7);
        content += QByteArray::number(i * 7919);
        QVERIFY(writeFile(folder, name, content));
        expected[folder].insert(name, contentHash(content));
        files.append({folder, QString::fromLatin1(name)});
    }

    filesystem::PosixFileRenamer renamer;
    StepCount steps;
    renamer.setSteps(&steps);
    // On through failures, so that the disk shows afterwards what they did.
    QStringList failed;
    for (const bool back : {false, true}) {
        for (const auto& [folder, name] : files) {
            const QString from = back ? name.toLower() : name;
            const QString to = back ? name : name.toLower();
            if (const int error = renamer.rename(folder, from, to))
                failed.append(from + u": "_s + QString::fromLocal8Bit(std::strerror(error)));
        }
    }
    renamer.releaseFolder();

    QVERIFY(card.unmount());
    QString report;
    const bool clean = card.imageIsClean(&report);
    QVERIFY(card.remount());
    QStringList wrong;
    for (auto folder = expected.cbegin(); folder != expected.cend(); ++folder) {
        const ContentHashes found = contentHashes(folder.key());
        for (auto file = folder->cbegin(); file != folder->cend(); ++file)
            if (found.value(file.key()) != file.value())
                wrong.append(QString::fromLatin1(file.key()));
        for (const QByteArray& name : found.keys())
            if (!folder->contains(name))
                wrong.append(QString::fromLatin1(name) + u" (not ours)"_s);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QString::number(wrong.size()) + u" wrong: "_s +
                                         wrong.join(u", "_s) + u"; "_s + report));
    QVERIFY2(clean, qPrintable(report));
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(u", "_s)));
    // Each case-only move takes two claims (the aside name, then the new one): none went another
    // way.
    QCOMPARE(steps.claims, 4 * count);
}

enum class Other { CreatesTarget, WritesIntoTarget, ReplacesTarget, RemovesClaim, RemovesSource };

// A card filled to its last cluster and its folder to its last entry: renames to longer names
// fail, and each failed one leaves the folder as it was, no empty file under the new name.
void TestPosixFileRenamer::leavesNothingOnAFullCard() {
    DiskMount card(DiskMount::Format::ExFat);
    if (!card.isMounted())
        QSKIP(qPrintable(u"no exFAT card can be mounted here: "_s + card.whyNot()));
    const QByteArray base = QFile::encodeName(card.path()) + '/';
    {
        QFile filler(card.path() + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 16, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    QByteArrayList names;
    for (int i = 0;; ++i) {
        const QByteArray name = "f" + QByteArray::number(i);
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            break;
        ::close(fd);
        names.append(name);
    }
    QVERIFY(names.size() > 4);
    const FolderFiles before = folderFiles(card.path());
    filesystem::PosixFileRenamer renamer;
    QList<int> errors;
    for (int length : {20, 40, 80, 160, 250})
        errors.append(renamer.rename(card.path(), QString::fromLatin1(names.at(errors.size())),
                                     QString(length, u'ж')));
    renamer.releaseFolder();
    QVERIFY2(!errors.contains(0), qPrintable(QDebug::toString(errors)));
    QCOMPARE(folderFiles(card.path()), before);
}

void TestPosixFileRenamer::lastFallbackClaimsTheTarget_data() {
    addColumns<Other, int, FolderFiles, QByteArray>({"other", "error", "after", "trail"});
    QTest::newRow("another program saves under the target name")
        << Other::CreatesTarget << 0 << FolderFiles{{"b.jpg", "a.jpg"}} << QByteArray();
    // Its write lands in the claim, or its save puts a file of its own there: either is its file
    // now, and both files stay whole.
    QTest::newRow("another program writes into the target name")
        << Other::WritesIntoTarget << EEXIST
        << FolderFiles{{"a.jpg", "a.jpg"}, {"b.jpg", "someone else's photo"}} << "записала в «"_ba;
    QTest::newRow("another program saves over the target name")
        << Other::ReplacesTarget << EEXIST
        << FolderFiles{{"a.jpg", "a.jpg"}, {"b.jpg", "someone else's photo"}} << "записала в «"_ba;
    QTest::newRow("another program removes the empty claim: claimed again")
        << Other::RemovesClaim << 0 << FolderFiles{{"b.jpg", "a.jpg"}} << QByteArray();
    QTest::newRow("the source vanishes: the claim goes too")
        << Other::RemovesSource << ENOENT << FolderFiles() << QByteArray();
}

// Where neither RENAME_NOREPLACE nor links work, the target is taken before the rename: another
// program that creates the same name in between is told it exists, instead of being replaced.
void TestPosixFileRenamer::lastFallbackClaimsTheTarget() {
    QFETCH(Other, other);
    QFETCH(int, error);
    QFETCH(FolderFiles, after);
    QFETCH(QByteArray, trail);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.jpg"}));
    filesystem::PosixFileRenamer renamer(Strategy::ClaimThenRename);
    int calls = 0;
    renamer.setBeforeRename([&](const QByteArray& from, const QByteArray& to) {
        if (++calls > 1)
            return;
        QCOMPARE(from, "a.jpg"_ba);
        QCOMPARE(to, "b.jpg"_ba);
        switch (other) {
        case Other::CreatesTarget:
            QVERIFY(!writeFile(dir.path(), "b.jpg", "someone else's photo"));
            break;
        case Other::WritesIntoTarget: {
            QFile file(dir.filePath(u"b.jpg"_s));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly));
            QCOMPARE(file.write("someone else's photo"), 20);
            break;
        }
        case Other::ReplacesTarget:
            QVERIFY(writeFile(dir.path(), "b.jpg.new", "someone else's photo"));
            QVERIFY(::rename(QFile::encodeName(dir.filePath(u"b.jpg.new"_s)).constData(),
                             QFile::encodeName(dir.filePath(u"b.jpg"_s)).constData()) == 0);
            break;
        case Other::RemovesClaim:
            QVERIFY(QFile::remove(dir.filePath(u"b.jpg"_s)));
            break;
        case Other::RemovesSource:
            QVERIFY(QFile::remove(dir.filePath(u"a.jpg"_s)));
            break;
        }
    });

    int renamed = -1;
    const QByteArray said =
        standardError([&] { renamed = renamer.rename(dir.path(), u"a.jpg"_s, u"b.jpg"_s); });
    QCOMPARE(renamed, error);
    QCOMPARE(calls, other == Other::RemovesClaim ? 2 : 1);
    QCOMPARE(folderFiles(dir.path()), after);
    if (trail.isEmpty())
        QVERIFY2(said.isEmpty(), said.constData());
    else
        QVERIFY2(said.contains(trail + QFile::encodeName(dir.path()) + "/b.jpg»"),
                 said.constData());
}

void TestPosixFileRenamer::doubleFaultsLeaveATrail_data() {
    addColumns<Strategy, FolderFiles, QByteArray, int>({"strategy", "after", "trail", "error"});
    // Between the steps the folder turns read-only, or the claim is mounted over itself: the
    // undoing step fails as well.
    QTest::newRow("link+unlink: the file under both names")
        << Strategy::LinkThenUnlink << FolderFiles{{"a.jpg", "a.jpg"}, {"b.jpg", "a.jpg"}}
        << "a.jpg» остался и под именем «b.jpg»"_ba << EROFS;
    QTest::newRow("claim+rename: the empty claim")
        << Strategy::ClaimThenRename << FolderFiles{{"a.jpg", "a.jpg"}, {"b.jpg", ""}}
        << "b.jpg» остался на месте"_ba << EBUSY;
}

// Permissions do not stop root, who runs the tests on CI: a read-only bind mount in a mount
// namespace of this process's own does.
void TestPosixFileRenamer::doubleFaultsLeaveATrail() {
    QFETCH(Strategy, strategy);
    QFETCH(FolderFiles, after);
    QFETCH(QByteArray, trail);
    QFETCH(int, error);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"a.jpg"}));
    const QByteArray path = QFile::encodeName(dir.path());
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
        QSKIP("no read-only mount can be made here");
    filesystem::PosixFileRenamer renamer(strategy);
    const QByteArray target = path + "/b.jpg";
    bool mounted = false;
    renamer.setBeforeRename([&](const QByteArray&, const QByteArray&) {
        mounted = error == EROFS ? ::mount(nullptr, path.constData(), nullptr,
                                           MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0
                                 : ::mount(target.constData(), target.constData(), nullptr, MS_BIND,
                                           nullptr) == 0;
    });

    int renamed = 0;
    const QByteArray said =
        standardError([&] { renamed = renamer.rename(dir.path(), u"a.jpg"_s, u"b.jpg"_s); });
    renamer.releaseFolder();
    if (error == EBUSY)
        QCOMPARE(::umount2(target.constData(), 0), 0);
    const FolderFiles files = folderFiles(dir.path());
    QCOMPARE(::umount2(path.constData(), 0), 0);
    QVERIFY(mounted);
    QCOMPARE(renamed, error);
    QCOMPARE(files, after);
    QVERIFY2(said.contains(trail) && said.contains(std::strerror(error)), said.constData());
}

// A letter-case rename onto a twin: the file goes aside and must come back, but by then a third
// program has taken its old name. The file stays under the aside name, and standard error says
// which name that is.
void TestPosixFileRenamer::failedWayBackLeavesATrail() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeFiles(dir.path(), {"A.txt", "a.txt"}));
    filesystem::PosixFileRenamer renamer;
    QByteArray aside;
    renamer.setBeforeRename([&](const QByteArray& from, const QByteArray& to) {
        if (from == "A.txt")
            aside = to;
        else if (from == aside && to == "A.txt")
            QVERIFY(writeFile(dir.path(), "A.txt", "newcomer"));
    });

    int renamed = 0;
    const QByteArray trail =
        standardError([&] { renamed = renamer.rename(dir.path(), u"A.txt"_s, u"a.txt"_s); });

    QCOMPARE(renamed, EEXIST);
    QVERIFY(aside.startsWith("tarvelok-"));
    QCOMPARE(folderFiles(dir.path()),
             (FolderFiles{{"a.txt", "a.txt"}, {"A.txt", "newcomer"}, {aside, "A.txt"}}));
    QVERIFY2(trail.contains(QFile::encodeName(dir.path()) + '/' + aside), trail.constData());
    QVERIFY2(trail.contains("A.txt") && trail.contains(std::strerror(EEXIST)), trail.constData());
}

QTEST_GUILESS_MAIN(TestPosixFileRenamer)
#include "test_posix_file_renamer.moc"
