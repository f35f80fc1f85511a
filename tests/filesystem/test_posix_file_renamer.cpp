// The Linux file-rename service on real folders, through each of its ways of not replacing a file.
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "platform/file_names.h"

#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

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
};

void TestPosixFileRenamer::rename_data() {
    QTest::addColumn<Strategy>("strategy");
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<int>("error");
    QTest::addColumn<FolderFiles>("after");

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
            << strategy << QByteArrayList{"caf\xE9.txt"} << "caf\xE9.txt"_ba << (u"caf"_s + escaped(0xE9) + u".txt"_s)
            << 0 << FolderFiles{{"caf\xE9.txt", "caf\xE9.txt"}};
        row("stem not UTF-8 keeps its bytes in a new name")
            << strategy << QByteArrayList{"caf\xE9.txt"} << "caf\xE9.txt"_ba << (u"caf"_s + escaped(0xE9) + u"1.txt"_s)
            << 0 << FolderFiles{{"caf\xE9" "1.txt", "caf\xE9.txt"}};
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
    QCOMPARE(renamer.rename(dir.path(), platform::decodeFileName(oldName), newName), error == 0);
    QCOMPARE(renamer.lastError(), error);
    const FolderFiles files = folderFiles(dir.path());
    removeFiles(dir.path());
    QCOMPARE(files, after);
}

void TestPosixFileRenamer::refusesNamesThatLeaveTheFolder_data() {
    QTest::addColumn<Strategy>("strategy");
    QTest::addColumn<QByteArray>("oldName");
    QTest::addColumn<QString>("newName");

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
    QVERIFY(!renamer.rename(folder, platform::decodeFileName(oldName), newName));
    QCOMPARE(renamer.lastError(), EINVAL);
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
    QVERIFY(!renamer.rename(dir.path(), u"a.txt"_s, u"A.TXT"_s));
    QCOMPARE(renamer.lastError(), EEXIST);
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
    QVERIFY(renamer.rename(folder, u"1.jpg"_s, u"2.jpg"_s));
    // The folder is replaced by another of the same name between two passes.
    QCOMPARE(::rename(QFile::encodeName(folder).constData(),
                      QFile::encodeName(parent.filePath(u"old photos"_s)).constData()),
             0);
    QVERIFY(makeFiles(parent.path(), {"photos/"}));
    QVERIFY(makeFiles(folder, {"1.jpg"}));
    renamer.releaseFolder();

    QVERIFY(renamer.rename(folder, u"1.jpg"_s, u"3.jpg"_s));
    QCOMPARE(folderFiles(folder), (FolderFiles{{"3.jpg", "1.jpg"}}));
    QCOMPARE(folderFiles(parent.filePath(u"old photos"_s)), (FolderFiles{{"2.jpg", "1.jpg"}}));
}

QTEST_GUILESS_MAIN(TestPosixFileRenamer)
#include "test_posix_file_renamer.moc"
