// The file mask, the natural order, the folder listing on a real disk, and the mount table.
#include "columns.h"
#include "filesystem/file_list_model.h"
#include "filesystem/file_mask.h"
#include "filesystem/folder_lister.h"
#include "filesystem/mount_table.h"
#include "filesystem/natural_order.h"
#include "folder_files.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QStringList names(const filesystem::NameList& listed) {
    return listed.toStringList();
}

// The natural order written out literally, one character at a time: the reference that the
// byte keys must agree with.
int referenceCompare(QStringView a, QStringView b) {
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            QStringView numberA = a.sliced(i, endA - i);
            QStringView numberB = b.sliced(j, endB - j);
            while (numberA.startsWith(u'0'))
                numberA = numberA.sliced(1);
            while (numberB.startsWith(u'0'))
                numberB = numberB.sliced(1);
            if (numberA.size() != numberB.size())
                return numberA.size() < numberB.size() ? -1 : 1;
            if (const int digits = numberA.compare(numberB))
                return digits;
            i = endA;
            j = endB;
            continue;
        }
        const char32_t x = QStringView(a.sliced(i)).toUcs4().front();
        const char32_t y = QStringView(b.sliced(j)).toUcs4().front();
        if (x != y)
            return x < y ? -1 : 1;
        i += x > 0xFFFF ? 2 : 1;
        j += y > 0xFFFF ? 2 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

QStringList modelNames(const filesystem::FileListModel& model) {
    QStringList out;
    for (qsizetype row = 0; row < model.count(); ++row)
        out.append(model.name(row));
    return out;
}

} // namespace

class TestFileListing : public QObject {
    Q_OBJECT

private slots:
    void mask_data() {
        addColumns<QString, QString, bool>({"pattern", "name", "matches"});
        QTest::newRow("ending, other case") << u"*.jpg"_s << u"IMG_0001.JPG"_s << true;
        QTest::newRow("ending, wrong ending") << u"*.jpg"_s << u"a.jpeg"_s << false;
        QTest::newRow("cyrillic case") << u"фото*"_s << u"ФОТО 1.png"_s << true;
        QTest::newRow("*.* with a dot") << u"*.*"_s << u"a.txt"_s << true;
        QTest::newRow("*.* without a dot") << u"*.*"_s << u"README"_s << true;
        QTest::newRow("* without a dot") << u"*"_s << u"README"_s << true;
        QTest::newRow("*. without a dot") << u"*."_s << u"README"_s << true;
        QTest::newRow("*. with an ending") << u"*."_s << u"a.txt"_s << false;
        QTest::newRow("name.* bare name") << u"readme.*"_s << u"README"_s << true;
        QTest::newRow("name.* with ending") << u"readme.*"_s << u"readme.md"_s << true;
        QTest::newRow("name.* other name") << u"readme.*"_s << u"readmex"_s << false;
        QTest::newRow("incomplete *.t") << u"*.t"_s << u"a.txt"_s << false;
        QTest::newRow("incomplete *.t exact") << u"*.t"_s << u"a.t"_s << true;
        QTest::newRow("? one character") << u"a?.txt"_s << u"ab.txt"_s << true;
        QTest::newRow("? not zero characters") << u"a?.txt"_s << u"a.txt"_s << false;
        QTest::newRow("? not two characters") << u"a?.txt"_s << u"abc.txt"_s << false;
        QTest::newRow("? a character beyond 16 bits") << u"?.txt"_s << u"😀.txt"_s << true;
        QTest::newRow("several masks, second") << u"*.jpg;*.png"_s << u"x.PNG"_s << true;
        QTest::newRow("several masks, none") << u"*.jpg;*.png"_s << u"x.gif"_s << false;
        QTest::newRow("blanks around masks") << u"*.jpg ; *.png"_s << u"x.png"_s << true;
        QTest::newRow("empty parts ignored") << u";;*.txt;"_s << u"a.txt"_s << true;
        QTest::newRow("empty mask") << QString() << u"a.txt"_s << false;
        QTest::newRow("star backtracks") << u"*a*b.txt"_s << u"xaxxab.txt"_s << true;
        QTest::newRow("star needs the tail") << u"*ab"_s << u"abba"_s << false;
        QTest::newRow("literal dots") << u"a.b.c"_s << u"A.B.C"_s << true;
        QTest::newRow("middle star, two dots") << u"*.tar.*"_s << u"x.tar.gz"_s << true;
    }
    void mask() {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(filesystem::FileMask(pattern).matchesFolded(name.toCaseFolded()), matches);
    }

    void naturalOrder_data() {
        addColumns<QString, QString>({"first", "second"});
        QTest::newRow("2 before 10") << u"file2.txt"_s << u"file10.txt"_s;
        QTest::newRow("case ignored") << u"apple"_s << u"Banana"_s;
        QTest::newRow("shorter first") << u"file"_s << u"file1"_s;
        QTest::newRow("numbers beyond 64 bits")
            << u"n99999999999999999999999"_s << u"n100000000000000000000000"_s;
        QTest::newRow("leading zeros tie, then text") << u"a01"_s << u"a1"_s;
        QTest::newRow("same letters, upper first") << u"A.txt"_s << u"a.txt"_s;
        QTest::newRow("second number decides") << u"v1.2"_s << u"v1.10"_s;
        QTest::newRow("cyrillic case") << u"а2"_s << u"Б1"_s;
    }
    void naturalOrder() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QVERIFY(filesystem::naturalLess(first, second));
        QVERIFY(!filesystem::naturalLess(second, first));
    }

    void naturalKeysAgreeWithTheReference() {
        const QStringList pieces{u"a"_s,  u"B"_s, u"0"_s,      u"00"_s,    u"1"_s, u"9"_s,
                                 u"10"_s, u"."_s, u"_"_s,      u" "_s,     u"я"_s, u"Я"_s,
                                 u"é"_s,  u"😀"_s, u"\uFFFD"_s, u"\uE000"_s};
        QRandomGenerator random(7);
        const auto randomName = [&] {
            QString name;
            for (int n = random.bounded(7); n > 0; --n)
                name += pieces.at(random.bounded(int(pieces.size())));
            return name.toCaseFolded();
        };
        for (int round = 0; round < 20000; ++round) {
            const QString a = randomName();
            const QString b = randomName();
            const int byKey =
                sign(filesystem::naturalSortKey(a).compare(filesystem::naturalSortKey(b)));
            if (byKey != sign(referenceCompare(a, b)))
                QFAIL(qPrintable(u"\"%1\" against \"%2\""_s.arg(a, b)));
        }
    }

    void listingOrderAgreesWithTheReference() {
        // Long shared beginnings, so that many names agree in their first 16 key bytes and the
        // listing has to order them by the rest; case twins and leading zeros tie whole keys.
        const QStringList pieces{u"Holiday photo "_s,
                                 u"holiday PHOTO "_s,
                                 u"0"_s,
                                 u"07"_s,
                                 u"7"_s,
                                 u"12"_s,
                                 u"a"_s,
                                 u"B"_s,
                                 u"я"_s,
                                 u"Я"_s,
                                 u"-"_s,
                                 u".jpg"_s};
        QRandomGenerator random(11);
        QSet<QString> made;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        while (made.size() < 400) {
            QString name;
            for (int n = 1 + random.bounded(6); n > 0; --n)
                name += pieces.at(random.bounded(int(pieces.size())));
            if (name.startsWith(u'.') || made.contains(name))
                continue;
            made.insert(name);
            touch(dir.filePath(name));
        }
        QStringList expected(made.begin(), made.end());
        std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
            const QString foldedA = a.toCaseFolded();
            const QString foldedB = b.toCaseFolded();
            if (const int natural = referenceCompare(foldedA, foldedB))
                return natural < 0;
            if (const int folded = foldedA.compare(foldedB))
                return folded < 0;
            return a.compare(b) < 0;
        });
        const auto listed = filesystem::listFiles(dir.path(), filesystem::FileMask(u"*.*"_s));
        QVERIFY(listed);
        QCOMPARE(names(*listed), expected);
    }

    void listingKeepsFilesOnly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = dir.path();
        for (const QString& name :
             {u"b.txt"_s, u"a.TXT"_s, u"README"_s, u".hidden.txt"_s, u".hidden"_s, u"photo.jpg"_s})
            touch(root + u'/' + name);
        QVERIFY(QDir(root).mkdir(u"folder.txt"_s));
        QVERIFY(QFile::link(root + u"/b.txt"_s, root + u"/link to b.txt"_s));
        QVERIFY(QFile::link(root + u"/folder.txt"_s, root + u"/link to folder.txt"_s));
        QVERIFY(QFile::link(root + u"/gone.txt"_s, root + u"/dangling.txt"_s));
        QCOMPARE(mkfifo(QFile::encodeName(root + u"/pipe.txt"_s).constData(), 0600), 0);
        // A folder whose name is not UTF-8: no path written as text could open it again.
        const QByteArray notUtf8 = QFile::encodeName(root) + "/caf\xe9";
        QCOMPARE(::mkdir(notUtf8.constData(), 0700), 0);

        const auto listed = filesystem::listFiles(root, filesystem::FileMask(u"*.txt"_s));
        QVERIFY(listed);
        QCOMPARE(names(*listed), (QStringList{u"a.TXT"_s, u"b.txt"_s, u"link to b.txt"_s}));

        const auto all = filesystem::listFiles(root, filesystem::FileMask(u"*.*"_s));
        QVERIFY(all);
        QCOMPARE(names(*all), (QStringList{u"a.TXT"_s, u"b.txt"_s, u"link to b.txt"_s,
                                           u"photo.jpg"_s, u"README"_s}));

        const auto folders = filesystem::listSubfolders(root);
        QVERIFY(folders);
        QCOMPARE(names(*folders), (QStringList{u"folder.txt"_s, u"link to folder.txt"_s}));
        QCOMPARE(::rmdir(notUtf8.constData()), 0); // QTemporaryDir cannot spell it
    }

    void listingInNaturalOrder() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList expected{u"img1.jpg"_s,    u"IMG2.jpg"_s,  u"img10.jpg"_s,
                                   u"img010b.jpg"_s, u"Img11.jpg"_s, u"img100.jpg"_s};
        for (const QString& name : expected)
            touch(dir.filePath(name));
        const auto listed = filesystem::listFiles(dir.path(), filesystem::FileMask(u"*.jpg"_s));
        QVERIFY(listed);
        QCOMPARE(names(*listed), expected);
    }

    void nameThatIsNotUtf8() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray bytes("caf\xe9 \xff.txt"); // Latin-1 "café" and a stray byte
        const int fd = ::open((QFile::encodeName(dir.path()) + '/' + bytes).constData(),
                              O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
        touch(dir.filePath(u"plain.txt"_s));

        filesystem::FileListModel model;
        model.setPath(dir.path());
        model.setPattern(u"*.txt"_s);
        QCOMPARE(model.count(), 2);
        // Each byte that is not UTF-8 is an escape in the text, shown as the replacement mark.
        QCOMPARE(model.name(0), u"caf"_s + escaped(0xE9) + u" "_s + escaped(0xFF) + u".txt"_s);
        QCOMPARE(model.data(model.index(0)).toString(), u"caf\uFFFD \uFFFD.txt"_s);
        QCOMPARE(model.name(1), u"plain.txt"_s);
        // QDir cannot remove a name it cannot spell, so the test removes it by its bytes.
        QCOMPARE(::unlink((QFile::encodeName(dir.path()) + '/' + bytes).constData()), 0);
    }

    void modelRelistsOnEveryWrite() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        touch(dir.filePath(u"a.txt"_s));
        touch(dir.filePath(u"b.jpg"_s));

        filesystem::FileListModel model;
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.setPath(dir.path() + u"/./"_s);
        QCOMPARE(model.path(), dir.path());
        QCOMPARE(modelNames(model), (QStringList{u"a.txt"_s, u"b.jpg"_s}));
        model.setPattern(u"*.JPG"_s);
        QCOMPARE(modelNames(model), QStringList{u"b.jpg"_s});
        QCOMPARE(model.name(1), QString());
        QCOMPARE(model.name(-1), QString());

        touch(dir.filePath(u"c.jpg"_s));
        model.refresh();
        QCOMPARE(modelNames(model), (QStringList{u"b.jpg"_s, u"c.jpg"_s}));
        QCOMPARE(resets.count(), 3);
    }

    void folderRemovedAfterListing() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(u"sub"_s);
        QVERIFY(QDir().mkdir(folder));
        touch(folder + u"/a.txt"_s);

        filesystem::FileListModel model;
        model.setPath(folder);
        QCOMPARE(model.count(), 1);
        QVERIFY(QDir(folder).removeRecursively());

        model.refresh();
        QCOMPARE(model.count(), 0);
        QCOMPARE(model.name(0), QString());
        model.setPattern(u"*.*"_s);
        QCOMPARE(model.count(), 0);
        QVERIFY(!filesystem::listSubfolders(folder));
        QVERIFY(!filesystem::canOpenFolder(folder));
        // A file is not a folder either.
        touch(dir.filePath(u"file"_s));
        QVERIFY(!filesystem::canOpenFolder(dir.filePath(u"file"_s)));
    }

    void mountTable() {
        const QByteArray table = "22 1 8:1 / / rw,relatime shared:1 - overlay overlay rw\n"
                                 "23 22 0:21 / /proc rw - proc proc rw\n"
                                 "24 22 0:22 / /sys rw - sysfs sysfs rw\n"
                                 "25 22 0:5 / /dev/pts rw - devpts devpts rw\n"
                                 "26 22 0:23 / /run rw - tmpfs tmpfs rw\n"
                                 "27 22 8:2 / /home rw shared:2 - ext4 /dev/sda2 rw\n"
                                 "28 22 8:17 / /media/ann/USB\\040STICK rw - vfat /dev/sdb1 rw\n"
                                 "29 22 8:33 / /run/media/ann/disk10 rw - ext4 /dev/sdc1 rw\n"
                                 "30 22 8:34 / /run/media/ann/disk9 rw - ext4 /dev/sdc2 rw\n"
                                 "31 22 0:40 / /mnt/backup rw - nfs server:/b rw\n"
                                 "32 22 0:41 / /mnt/auto rw - autofs systemd-1 rw\n"
                                 "33 22 0:42 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                                 "34 22 0:43 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                                 "35 22 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
                                 "36 22 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                                 "not a mount line\n";
        QCOMPARE(filesystem::userVolumes(table),
                 (QStringList{u"/"_s, u"/home"_s, u"/media/ann/USB STICK"_s, u"/mnt/backup"_s,
                              u"/run/media/ann/disk9"_s, u"/run/media/ann/disk10"_s}));
        QVERIFY(filesystem::mountedVolumes().contains(u"/"_s));
    }

    void volumeHolding_data() {
        addColumns<QString, QString>({"path", "root"});
        QTest::newRow("root itself") << u"/"_s << u"/"_s;
        QTest::newRow("deepest mount wins") << u"/home/ann/docs"_s << u"/home/ann"_s;
        QTest::newRow("mount point itself") << u"/home"_s << u"/home"_s;
        QTest::newRow("prefix is not a parent") << u"/homework"_s << u"/"_s;
    }
    void volumeHolding() {
        QFETCH(QString, path);
        QFETCH(QString, root);
        const QStringList roots{u"/"_s, u"/home"_s, u"/home/ann"_s};
        QCOMPARE(filesystem::volumeHolding(roots, path), root);
        QCOMPARE(filesystem::volumeHolding({u"/home"_s}, u"/etc"_s), QString());
    }
};

QTEST_GUILESS_MAIN(TestFileListing)
#include "test_file_listing.moc"
