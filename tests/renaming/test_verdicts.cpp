// The preview's verdicts over real folders, each checked against the real pass run afterwards:
// a row is marked exactly when its rename then fails.
#include "columns.h"
#include "disk_mount.h"
#include "fake_dialogs.h"
#include "fake_progress.h"
#include "filesystem/file_list_model.h"
#include "filesystem/folder_surveyor.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "platform/file_names.h"
#include "renaming/rename_pass.h"
#include "renaming/verdicts.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <grp.h>
#include <memory>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

using namespace Qt::StringLiterals;
using renaming::Cause;

namespace {

/// Where the folder lies, and how it changes between the listing and the check.
enum class Setting {
    Plain,
    RemoveFirstFile,
    FirstFileBecomesFolder,
    RemoveFolder,
    ReadOnlyBind,  ///< a read-only bind mount of the folder
    ReadOnlyTmpfs, ///< a tmpfs mounted read-only
    FatCard,       ///< a FAT file system through FUSE
    ExFatCard,     ///< an exFAT file system through FUSE
    ImmutableFirstFile,
    AppendOnlyFirstFile,
    ImmutableFolder,
    AppendOnlyFolder,
    /// A folder open to all with the sticky bit, checked and renamed in as `nobody`: the first
    /// file another user's, the second nobody's own, the third root's.
    StickyFolder,
    StickyFolderOfNobody, ///< the same folder, but nobody's own
    StickyFolderAsRoot,   ///< the same folder, another user's, checked and renamed in as root
};

QString causeName(Cause cause) {
    static const char* const names[] = {"taken",        "forbidden",  "too long",  "read-only",
                                        "same case",    "unreadable", "gone",      "not a file",
                                        "folder fixed", "not mine",   "file fixed"};
    return QString::fromLatin1(names[int(cause)]);
}

/// The verdicts as "row cause «name»" lines, easy to read in a failed comparison.
QStringList lines(const QList<renaming::Verdict>& verdicts) {
    QStringList result;
    for (const renaming::Verdict& verdict : verdicts)
        result.append(u"%1 %2 «%3»"_s.arg(verdict.row).arg(causeName(verdict.cause), verdict.name));
    return result;
}

QList<qsizetype> rowsOf(const QList<renaming::Verdict>& verdicts) {
    QList<qsizetype> rows;
    for (const renaming::Verdict& verdict : verdicts)
        rows.append(verdict.row);
    return rows;
}

/// One folder under a mask, listed as the preview lists it.
struct Listed {
    Listed(const QString& folder, const QString& mask) {
        File2.setPath(folder);
        File2.setPattern(mask);
        File2.count();
    }

    QList<renaming::Verdict> verdicts(const QStringList& newNames) const {
        return renaming::failingRows(newNames, File2,
                                     filesystem::PosixFolderSurveyor().survey(
                                         File2.path(), renaming::renamedFiles(newNames, File2)));
    }

    /// Runs the real pass and gives the rows it failed on, less those whose name stays: those
    /// are never marked.
    QList<qsizetype> passFailures(const QStringList& newNames) {
        const platform::RenamePlan plan = platform::renamePlan(File2, newNames);
        FakeProgress progress;
        FakeDialogs dialogs;
        filesystem::PosixFileRenamer renamer;
        const renaming::PassOutcome outcome =
            renaming::renamePass(plan, {renamer, progress, dialogs});
        // Rows left by a lost folder would have failed like the row that found it lost.
        QList<qsizetype> failed;
        for (qsizetype row = 0; row < plan.oldNames.size(); ++row)
            if ((row >= qsizetype(outcome.errors.size()) || outcome.errors[size_t(row)] != 0) &&
                (row >= newNames.size() || newNames.at(row) != plan.oldNames.at(row)))
                failed.append(row);
        return failed;
    }

    filesystem::FileListModel File2;
};

/// chattr's answer to `change` ("+i", "-ia") of `path`: 0 where the file system keeps the flags.
int chattr(const QByteArray& path, const QString& change) {
    return QProcess::execute(u"chattr"_s, {change, QFile::decodeName(path)});
}

/// Clears the flags again, whatever happens to the test, so the folder can go.
struct ClearFlags {
    QByteArray path;
    ~ClearFlags() {
        if (!path.isEmpty())
            chattr(path, u"-ia"_s);
    }
};

/// What `work` says, run in a child process as the user nobody, whom root's exemptions from the
/// sticky bit do not cover; nothing when the child cannot become nobody.
std::optional<QStringList> asNobody(const std::function<QStringList()>& work) {
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(2);
        const QByteArray said = work().join(u'\n').toUtf8();
        ::_exit(::write(channel[1], said.constData(), size_t(said.size())) == said.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QFile reader;
    const QByteArray said = reader.open(channel[0], QIODevice::ReadOnly) ? reader.readAll() : "";
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return said.isEmpty() ? QStringList() : QString::fromUtf8(said).split(u'\n');
}

/// A mount namespace of this process's own, so that its mounts stay away from the machine.
bool ownMountNamespace() {
    static const bool own = ::unshare(CLONE_NEWNS) == 0 &&
                            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own;
}

/// Takes a mount away again, whatever happens to the test.
struct Unmount {
    QByteArray path;
    ~Unmount() {
        if (!path.isEmpty())
            ::umount2(path.constData(), MNT_DETACH);
    }
};

} // namespace

Q_DECLARE_METATYPE(Setting)

class TestVerdicts : public QObject {
    Q_OBJECT

private slots:
    void causes_data();
    void causes();
    void equivalence_data();
    void equivalence();
};

void TestVerdicts::causes_data() {
    addColumns<QByteArrayList, QString, Setting, QStringList, QStringList>(
        {"files", "mask", "setting", "newNames", "expected"});

    const QByteArrayList abc{"a.txt", "b.txt", "c.txt"};
    QTest::newRow("all free") << abc << u"*.*"_s << Setting::Plain
                              << QStringList{u"x.txt"_s, u"y.txt"_s, u"z.txt"_s} << QStringList();
    QTest::newRow("an exchange the pre-pass settles")
        << abc << u"*.*"_s << Setting::Plain << QStringList{u"b.txt"_s, u"a.txt"_s, u"C.TXT"_s}
        << QStringList();
    QTest::newRow("taken by a file outside the mask")
        << QByteArrayList{"a.txt", "b.txt", "b.dat"} << u"*.txt"_s << Setting::Plain
        << QStringList{u"x.txt"_s, u"b.dat"_s} << QStringList{u"1 taken «b.dat»"_s};
    QTest::newRow("taken by a folder")
        << QByteArrayList{"a.txt", "sub/"} << u"*.*"_s << Setting::Plain << QStringList{u"sub"_s}
        << QStringList{u"0 taken «sub»"_s};
    QTest::newRow("taken by a link outside the mask")
        << QByteArrayList{"a.txt", "l.dat -> a.txt"} << u"*.txt"_s << Setting::Plain
        << QStringList{u"l.dat"_s} << QStringList{u"0 taken «l.dat»"_s};
    // The pre-pass leaves row 1 with row 0's name, and row 0's own rename fails first.
    QTest::newRow("taken by a file whose rename fails first")
        << QByteArrayList{"a.txt", "b.txt", "c.txt", "z.dat"} << u"*.txt"_s << Setting::Plain
        << QStringList{u"z.dat"_s, u"c.txt"_s, u"a.txt"_s}
        << QStringList{u"0 taken «z.dat»"_s, u"1 taken «a.txt»"_s};
    QTest::newRow("freed by an earlier row")
        << QByteArrayList{"a.txt", "b.txt", "c.txt"} << u"*.*"_s << Setting::Plain
        << QStringList{u"x.txt"_s, u"c.txt"_s, u"y.txt"_s} << QStringList();
    QTest::newRow("a name no file can carry")
        << abc << u"*.*"_s << Setting::Plain << QStringList{u"x/y.txt"_s, u".."_s, u"z.txt"_s}
        << QStringList{u"0 forbidden «»"_s, u"1 forbidden «»"_s};
    QTest::newRow("longer than the file system takes")
        << abc << u"*.*"_s << Setting::Plain
        << QStringList{QString(252, u'x') + u".txt"_s, QString(251, u'y') + u".txt"_s,
                       QString(126, u'я') + u".txt"_s}
        << QStringList{u"0 too long «»"_s, u"2 too long «»"_s};
    QTest::newRow("a file gone since the listing")
        << abc << u"*.*"_s << Setting::RemoveFirstFile
        << QStringList{u"x.txt"_s, u"a.txt"_s, u"y.txt"_s} << QStringList{u"0 gone «a.txt»"_s};
    QTest::newRow("a file that became a folder")
        << abc << u"*.*"_s << Setting::FirstFileBecomesFolder
        << QStringList{u"x.txt"_s, u"y.txt"_s, u"z.txt"_s}
        << QStringList{u"0 not a file «a.txt»"_s};
    QTest::newRow("a folder gone since the listing")
        << abc << u"*.*"_s << Setting::RemoveFolder
        << QStringList{u"x.txt"_s, u"b.txt"_s, u"z.txt"_s}
        << QStringList{u"0 unreadable «»"_s, u"2 unreadable «»"_s};
    // Permissions do not stop root, who runs the tests here: a read-only mount does.
    QTest::newRow("a read-only bind mount")
        << abc << u"*.*"_s << Setting::ReadOnlyBind
        << QStringList{u"x.txt"_s, u"b.txt"_s, u"z.txt"_s}
        << QStringList{u"0 read-only «»"_s, u"2 read-only «»"_s};
    QTest::newRow("a read-only tmpfs")
        << abc << u"*.*"_s << Setting::ReadOnlyTmpfs
        << QStringList{u"x.txt"_s, u"b.txt"_s, u"c.txt"_s} << QStringList{u"0 read-only «»"_s};
    // Camera cards and USB sticks.
    const QByteArrayList songs{"SONG1.MP3", "SONG2.MP3"};
    QTest::newRow("a name FAT forbids")
        << songs << u"*.*"_s << Setting::FatCard << QStringList{u"what?.mp3"_s, u"fine.mp3"_s}
        << QStringList{u"0 forbidden «»"_s};
    QTest::newRow("a change of letter case alone on FAT")
        << songs << u"*.*"_s << Setting::FatCard << QStringList{u"song1.mp3"_s, u"Song2.Mp3"_s}
        << QStringList();
    QTest::newRow("one name to FAT")
        << songs << u"*.*"_s << Setting::FatCard << QStringList{u"a.mp3"_s, u"A.MP3"_s}
        << QStringList{u"1 same case «a.mp3»"_s};
    QTest::newRow("taken in another case on FAT")
        << QByteArrayList{"SONG1.MP3", "README.TXT"} << u"*.mp3"_s << Setting::FatCard
        << QStringList{u"readme.txt"_s} << QStringList{u"0 taken «README.TXT»"_s};
    QTest::newRow("a name beyond ASCII to fusefat")
        << songs << u"*.*"_s << Setting::FatCard << QStringList{u"песня.mp3"_s, u"fine.mp3"_s}
        << QStringList{u"0 forbidden «»"_s};

    // Flags that stop root too.
    const QStringList xyc{u"x.txt"_s, u"y.txt"_s, u"c.txt"_s};
    const QStringList xbz{u"x.txt"_s, u"b.txt"_s, u"z.txt"_s};
    QTest::newRow("an immutable file") << abc << u"*.*"_s << Setting::ImmutableFirstFile << xyc
                                       << QStringList{u"0 file fixed «»"_s};
    QTest::newRow("an append-only file") << abc << u"*.*"_s << Setting::AppendOnlyFirstFile << xyc
                                         << QStringList{u"0 file fixed «»"_s};
    QTest::newRow("an immutable folder")
        << abc << u"*.*"_s << Setting::ImmutableFolder << xbz
        << QStringList{u"0 folder fixed «»"_s, u"2 folder fixed «»"_s};
    QTest::newRow("an append-only folder")
        << abc << u"*.*"_s << Setting::AppendOnlyFolder << xbz
        << QStringList{u"0 folder fixed «»"_s, u"2 folder fixed «»"_s};
    QTest::newRow("other users' files in a sticky folder")
        << abc << u"*.*"_s << Setting::StickyFolder
        << QStringList{u"x.txt"_s, u"y.txt"_s, u"z.txt"_s}
        << QStringList{u"0 not mine «»"_s, u"2 not mine «»"_s};
    QTest::newRow("a sticky folder of the user's own")
        << abc << u"*.*"_s << Setting::StickyFolderOfNobody
        << QStringList{u"x.txt"_s, u"y.txt"_s, u"z.txt"_s} << QStringList();
    QTest::newRow("a sticky folder to root")
        << abc << u"*.*"_s << Setting::StickyFolderAsRoot
        << QStringList{u"x.txt"_s, u"y.txt"_s, u"z.txt"_s} << QStringList();

    // exFAT folds by its up-case table, which leaves alone letters whose case Unicode maps
    // across to ASCII, and µ: names that differ in those are two files there. exfat-fuse lists
    // the newest entry first, so the Turkish and Kelvin names, made last, are what the check
    // meets first when it asks whether the folder folds case.
    QByteArrayList turkish;
    QByteArrayList kelvins;
    for (int k = 1; k <= 12; ++k) {
        turkish.append("Kızılay_" + QByteArray::number(k) + ".jpg");
        kelvins.append("\xe2\x84\xaa" + QByteArray::number(k));
    }
    QTest::newRow("exFAT: taken in another case beside Turkish names")
        << QByteArrayList{"FOTO3.PNG", "x.png"} + turkish << u"x.png"_s << Setting::ExFatCard
        << QStringList{u"foto3.png"_s} << QStringList{u"0 taken «FOTO3.PNG»"_s};
    QTest::newRow("exFAT: taken in another case beside Kelvin-sign names")
        << QByteArrayList{"FOTO3.PNG", "x.png"} + kelvins << u"x.png"_s << Setting::ExFatCard
        << QStringList{u"foto3.png"_s} << QStringList{u"0 taken «FOTO3.PNG»"_s};
    const auto twin = [](const char* label, const QByteArray& there,
                         const QString& newName) -> QTestData& {
        return QTest::addRow("exFAT: %s", label) << QByteArrayList{there, "x.png"} << u"x.png"_s
                                                 << Setting::ExFatCard << QStringList{newName};
    };
    twin("dotless ı beside I", "I1.png", u"ı1.png"_s) << QStringList();
    twin("dotted İ beside i", "i1.png", u"İ1.png"_s) << QStringList();
    twin("µ beside Greek Μ", "Μ1.png", u"µ1.png"_s) << QStringList();
    twin("long ſ beside S", "S1.png", u"ſ1.png"_s) << QStringList();
    twin("Kelvin sign beside k", "k1.png", u"\u212A1.png"_s) << QStringList();
    twin("é beside É", "É1.png", u"é1.png"_s) << QStringList{u"0 taken «É1.png»"_s};
    twin("Cyrillic я beside Я", "Я1.png", u"я1.png"_s) << QStringList{u"0 taken «Я1.png»"_s};
    // exFAT counts 255 UTF-16 units, whatever their bytes: 131 units are 258 bytes here.
    QTest::newRow("long Cyrillic names on exFAT")
        << QByteArrayList{"a.jpg", "b.jpg", "c.jpg"} << u"*.*"_s << Setting::ExFatCard
        << QStringList{QString(127, u'ж') + u".jpg"_s, QString(251, u'ж') + u".jpg"_s,
                       QString(252, u'ж') + u".jpg"_s}
        << QStringList{u"2 too long «»"_s};
}

void TestVerdicts::causes() {
    QFETCH(QByteArrayList, files);
    QFETCH(QString, mask);
    QFETCH(Setting, setting);
    QFETCH(QStringList, newNames);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString folder = dir.path();
    std::unique_ptr<DiskMount> card;
    Unmount unmount;
    ClearFlags clearFlags;
    const QByteArray path = QFile::encodeName(folder);
    const bool mounts = setting == Setting::ReadOnlyBind || setting == Setting::ReadOnlyTmpfs;
    if (mounts && (::geteuid() != 0 || !ownMountNamespace()))
        QSKIP("only root in a mount namespace of its own can mount here");
    const bool asNobodyToo =
        setting == Setting::StickyFolder || setting == Setting::StickyFolderOfNobody;
    if ((asNobodyToo || setting == Setting::StickyFolderAsRoot) && ::geteuid() != 0)
        QSKIP("only root can hand files to other users here");
    if (setting == Setting::ReadOnlyTmpfs) {
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("no tmpfs can be mounted here");
        unmount.path = path;
    }
    // chattr's flags on ext4, which keeps them.
    const bool flagged =
        setting >= Setting::ImmutableFirstFile && setting <= Setting::AppendOnlyFolder;
    if (setting == Setting::FatCard || setting == Setting::ExFatCard || flagged) {
        card =
            std::make_unique<DiskMount>(setting == Setting::FatCard     ? DiskMount::Format::Fat
                                        : setting == Setting::ExFatCard ? DiskMount::Format::ExFat
                                                                        : DiskMount::Format::Ext4);
        if (!card->isMounted())
            QSKIP(qPrintable(u"no such card can be mounted here: "_s + card->whyNot()));
        folder = card->path();
    }
    QVERIFY(makeFiles(folder, files));
    Listed listed(folder, mask);
    const QByteArray first = QFile::encodeName(folder) + '/' + files.first();
    switch (setting) {
    case Setting::RemoveFirstFile:
        QCOMPARE(::unlink(first.constData()), 0);
        break;
    case Setting::FirstFileBecomesFolder:
        QCOMPARE(::unlink(first.constData()), 0);
        QCOMPARE(::mkdir(first.constData(), 0755), 0);
        break;
    case Setting::RemoveFolder:
        QVERIFY(dir.remove());
        break;
    case Setting::ReadOnlyBind:
        if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
            QSKIP("no bind mount can be made here");
        unmount.path = path;
        [[fallthrough]];
    case Setting::ReadOnlyTmpfs:
        if (::mount(nullptr, path.constData(), nullptr,
                    MS_REMOUNT | MS_RDONLY | (setting == Setting::ReadOnlyBind ? MS_BIND : 0),
                    nullptr) != 0)
            QSKIP("the mount cannot be made read-only here");
        break;
    case Setting::ImmutableFirstFile:
    case Setting::AppendOnlyFirstFile:
    case Setting::ImmutableFolder:
    case Setting::AppendOnlyFolder: {
        clearFlags.path = setting >= Setting::ImmutableFolder ? QFile::encodeName(folder) : first;
        const bool immutable =
            setting == Setting::ImmutableFirstFile || setting == Setting::ImmutableFolder;
        if (chattr(clearFlags.path, immutable ? u"+i"_s : u"+a"_s) != 0)
            QSKIP("chattr is refused here");
        break;
    }
    case Setting::StickyFolder:
    case Setting::StickyFolderOfNobody:
    case Setting::StickyFolderAsRoot: {
        const QByteArray base = QFile::encodeName(folder) + '/';
        QCOMPARE(::chmod(base.constData(), 01777), 0);
        QCOMPARE(::chown((base + files.at(0)).constData(), 4242, 4242), 0);
        QCOMPARE(::chown((base + files.at(1)).constData(), 65534, 65534), 0);
        if (setting != Setting::StickyFolder) {
            const uid_t owner = setting == Setting::StickyFolderOfNobody ? 65534 : 4242;
            QCOMPARE(::chown(base.constData(), owner, owner), 0);
        }
        break;
    }
    default:
        break;
    }
    const FolderFiles before = folderFiles(folder);

    // The check, then the pass, as nobody where root would pass where a user fails.
    const auto checkThenPass = [&] {
        const QList<renaming::Verdict> verdicts = listed.verdicts(newNames);
        QStringList said = lines(verdicts);
        if (folderFiles(folder) != before)
            said.append(u"the check changed the folder"_s);
        if (listed.passFailures(newNames) != rowsOf(verdicts))
            said.append(u"the pass failed on other rows"_s);
        return said;
    };
    const std::optional<QStringList> said = asNobodyToo ? asNobody(checkThenPass) : checkThenPass();
    if (!said)
        QSKIP("no child process can become the user nobody here");
    QCOMPARE(*said, expected);
}

void TestVerdicts::equivalence_data() {
    addColumns<bool, quint32>({"fat", "seed"});
    for (quint32 seed = 1; seed <= 8; ++seed)
        QTest::addRow("seed %u", seed) << false << seed;
    for (quint32 seed = 1; seed <= 2; ++seed)
        QTest::addRow("FAT card, seed %u", seed) << true << seed;
}

// Random small folders with case twins, byte twins (names that are not UTF-8), files outside the
// mask, folders and links, under random new names: the marked rows are the failed ones. On a FAT
// card: names in both cases, and names FAT forbids.
void TestVerdicts::equivalence() {
    QFETCH(bool, fat);
    QFETCH(quint32, seed);
    std::unique_ptr<DiskMount> card;
    if (fat) {
        card = std::make_unique<DiskMount>();
        if (!card->isMounted())
            QSKIP(qPrintable(u"no FAT file system can be mounted here: "_s + card->whyNot()));
    }
    QRandomGenerator random(seed);
    const QByteArrayList stems =
        fat ? QByteArrayList{"a", "A", "b", "B", "c", "d?"}
            : QByteArrayList{"a", "A", "b", "B", "\xc3\xa9", "\xc3\x89", "x\xff", "x\xfe", "c"};
    const QByteArrayList endings{".txt", ".TXT", ".dat"};
    const auto pick = [&random](const QByteArrayList& from) {
        return from.at(random.bounded(int(from.size())));
    };
    for (int round = 0; round < (fat ? 15 : 40); ++round) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = fat ? card->path() : dir.path();
        QByteArrayList names;
        for (int k = random.bounded(2, 9); k > 0; --k) {
            const QByteArray name = pick(stems) + pick(endings);
            // A FAT card holds one of each case twin, and no forbidden name.
            const auto twin = [&](const QByteArray& other) {
                return fat ? other.toLower() == name.toLower() : other == name;
            };
            if (std::any_of(names.cbegin(), names.cend(), twin) || (fat && name.contains('?')))
                continue;
            names.append(name);
            const int kind = random.bounded(12);
            QVERIFY(makeFiles(folder, {kind == 0           ? name + "/"
                                       : kind == 1 && !fat ? name + " -> " + names.first()
                                                           : name}));
        }
        Listed listed(folder, u"*.txt"_s);
        // Distinct new names, as a completed preview leaves them: other rows' names in any
        // case, names outside the mask, fresh names, and now and then one no file can carry.
        QStringList newNames;
        while (newNames.size() < listed.File2.count()) {
            const int kind = random.bounded(10);
            const QString name = kind == 0 ? u"new%1.txt"_s.arg(random.bounded(3))
                                 : kind == 1
                                     ? u"bad/%1"_s.arg(random.bounded(3))
                                     : platform::decodeFileName(pick(stems) + pick(endings));
            if (!newNames.contains(name))
                newNames.append(name);
        }
        const QList<renaming::Verdict> verdicts = listed.verdicts(newNames);
        const QList<qsizetype> failed = listed.passFailures(newNames);
        if (rowsOf(verdicts) != failed) {
            qWarning() << "files" << names << "new names" << newNames << "verdicts"
                       << lines(verdicts);
            QCOMPARE(rowsOf(verdicts), failed);
        }
        // By their bytes: QTemporaryDir cannot see names that are not UTF-8.
        const QByteArray base = QFile::encodeName(folder) + '/';
        const FolderFiles left = folderFiles(folder);
        for (auto entry = left.cbegin(); entry != left.cend(); ++entry)
            QCOMPARE(entry.value() == "<folder>" ? ::rmdir((base + entry.key()).constData())
                                                 : ::unlink((base + entry.key()).constData()),
                     0);
    }
}

QTEST_MAIN(TestVerdicts)
#include "test_verdicts.moc"
