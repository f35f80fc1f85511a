// The folder view and the drive view on real temporary folders.
#include "columns.h"
#include "filesystem/folder_list_model.h"
#include "widgets/drive_view.h"
#include "widgets/folder_view.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList rows(const widgets::FolderView& view) {
    QStringList out;
    const QAbstractItemModel* model = view.model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        out.append(QString(index.data(filesystem::FolderListModel::DepthRole).toInt(), u' ') +
                   index.data().toString());
    }
    return out;
}

} // namespace

class TestViews : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The window's own style and font, in which the folder view must stay readable.
        QApplication::setStyle(u"Windows"_s);
    }

    void init() {
        QVERIFY(m_dir.isValid());
        for (const QString& folder : {u"a/sub2"_s, u"a/Sub10"_s, u"a/.hidden"_s, u"b"_s})
            QVERIFY(QDir(m_dir.path()).mkpath(folder));
        QFile file(m_dir.filePath(u"a/file.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void folderViewShowsAncestorsAndSubfolders() {
        widgets::FolderView view;
        QVERIFY(view.setPath(m_dir.filePath(u"a"_s)));
        const QStringList parts = m_dir.filePath(u"a"_s).split(u'/', Qt::SkipEmptyParts);
        QStringList expected{u"/"_s};
        for (qsizetype depth = 0; depth < parts.size(); ++depth)
            expected.append(QString(depth + 1, u' ') + parts.at(depth));
        const QString indent(parts.size() + 1, u' ');
        expected << indent + u"sub2"_s << indent + u"Sub10"_s;
        QCOMPARE(rows(view), expected);
        QCOMPARE(view.currentIndex().data(filesystem::FolderListModel::PathRole).toString(),
                 m_dir.filePath(u"a"_s));

        QVERIFY(view.setPath(u"/"_s));
        QCOMPARE(view.path(), u"/"_s);
        QCOMPARE(view.model()->index(0, 0).data().toString(), u"/"_s);
        QCOMPARE(view.model()
                     ->index(1, 0)
                     .data(filesystem::FolderListModel::PathRole)
                     .toString()
                     .count(u'/'),
                 1);
    }

    void folderViewSetPathRaisesChangedNested() {
        widgets::FolderView view;
        QVERIFY(view.setPath(m_dir.path()));
        QStringList seen;
        connect(&view, &widgets::FolderView::changed, this, [&] { seen.append(view.path()); });

        QVERIFY(view.setPath(m_dir.filePath(u"a/"_s)));
        QCOMPARE(seen, QStringList{m_dir.filePath(u"a"_s)}); // ran before setPath returned

        QVERIFY(view.setPath(m_dir.filePath(u"a/sub2/.."_s))); // the same folder: no change
        QCOMPARE(seen.size(), 1);

        QVERIFY(!view.setPath(m_dir.filePath(u"missing"_s)));
        QVERIFY(!view.setPath(m_dir.filePath(u"a/file.txt"_s)));
        QVERIFY(!view.setPath(QString()));
        QCOMPARE(view.path(), m_dir.filePath(u"a"_s));
        QCOMPARE(seen.size(), 1);
    }

    void folderViewOpensWithEnterAndDoubleClick() {
        widgets::FolderView view;
        QVERIFY(view.setPath(m_dir.filePath(u"a"_s)));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy changed(&view, &widgets::FolderView::changed);

        const int sub10 = view.model()->rowCount() - 1;
        view.setCurrentIndex(view.model()->index(sub10, 0));
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(view.path(), m_dir.filePath(u"a/Sub10"_s));
        QCOMPARE(changed.count(), 1);

        // Up to the parent through its ancestor row.
        const QModelIndex parent = view.model()->index(view.folderModel()->folderRow() - 1, 0);
        const QPoint centre = view.visualRect(parent).center();
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(view.path(), m_dir.filePath(u"a"_s));
        QCOMPARE(changed.count(), 2);

        // A subfolder removed after the listing: nothing changes and the row goes away.
        QVERIFY(QDir(m_dir.filePath(u"a/sub2"_s)).removeRecursively());
        const int sub2 = view.model()->rowCount() - 2;
        QCOMPARE(view.model()->index(sub2, 0).data().toString(), u"sub2"_s);
        view.setCurrentIndex(view.model()->index(sub2, 0));
        QTest::keyClick(&view, Qt::Key_Enter);
        QCOMPARE(view.path(), m_dir.filePath(u"a"_s));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(view.model()->index(view.model()->rowCount() - 1, 0).data().toString(),
                 u"Sub10"_s);
    }

    void driveViewSelectsTheVolumeHoldingAPath() {
        const QString a = m_dir.filePath(u"a"_s);
        const QString sub = m_dir.filePath(u"a/Sub10"_s);
        const QString b = m_dir.filePath(u"b"_s);
        widgets::DriveView drives({a, sub, b});
        QSignalSpy changed(&drives, &widgets::DriveView::changed);

        QVERIFY(drives.setDrive(sub + u"/deeper/still"_s));
        QCOMPARE(drives.root(), sub); // the longest mount point wins
        QCOMPARE(changed.count(), 1);
        QVERIFY(drives.setDrive(sub));
        QCOMPARE(changed.count(), 1); // the same volume: no change

        QVERIFY(drives.setDrive(a + u"/sub2"_s));
        QCOMPARE(drives.root(), a);
        QCOMPARE(drives.drive(), a); // nothing visited yet: the root
        QCOMPARE(changed.count(), 2);

        QVERIFY(!drives.setDrive(m_dir.path()));
        QVERIFY(!drives.setDrive(a + u"x"_s));
        QCOMPARE(drives.root(), a);
        QCOMPARE(changed.count(), 2);

        // The user's choice raises changed() as well.
        drives.setCurrentIndex(2);
        QCOMPARE(drives.root(), b);
        QCOMPARE(changed.count(), 3);
    }

    void driveViewRemembersTheLastFolderVisited() {
        const QString a = m_dir.filePath(u"a"_s);
        const QString b = m_dir.filePath(u"b"_s);
        widgets::DriveView drives({a, b});
        QSignalSpy changed(&drives, &widgets::DriveView::changed);

        drives.noteVisited(a + u"/sub2"_s);
        QCOMPARE(drives.root(), a);
        drives.noteVisited(b);
        QCOMPARE(drives.root(), b); // follows the folder view without raising changed()
        QCOMPARE(changed.count(), 0);

        QVERIFY(drives.setDrive(a));
        QCOMPARE(drives.drive(), a + u"/sub2"_s);
        drives.noteVisited(m_dir.path()); // on no volume: ignored
        QCOMPARE(drives.drive(), a + u"/sub2"_s);
    }

    void folderViewReadableAtDepth_data() {
        addColumns<QStringList, bool>({"below", "wholeNameInView"});

        // The temporary folder itself lies two levels below "/".
        QTest::newRow("Документы at depth 5")
            << QStringList{u"home"_s, u"user"_s, u"Документы"_s} << true;
        QStringList deep;
        for (int level = 1; level <= 8; ++level)
            deep.append(u"Папка уровня %1 ____"_s.arg(level + 2, 2, 10, QChar(u'0')));
        QTest::newRow("depth 10, 20-character names") << deep << false;
    }

    void folderViewReadableAtDepth() {
        QFETCH(QStringList, below);
        QFETCH(bool, wholeNameInView);
        const QString folder = m_dir.filePath(below.join(u'/'));
        QCOMPARE(folder.count(u'/'), below.size() + 2);
        const QStringList subfolders{u"Фотографии с дачи"_s, u"Чеки"_s, u"Черновики писем"_s};
        for (const QString& subfolder : subfolders)
            QVERIFY(QDir(folder).mkpath(subfolder));
        widgets::FolderView view;
        view.setFont(widgets::dialogFont());
        view.resize(168, 171); // its size on the selection page
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.setPath(folder));

        const QRect area = view.viewport()->rect();
        const QFontMetrics metrics(view.font());
        const QModelIndex current = view.model()->index(view.folderModel()->folderRow(), 0);
        const QRect name = view.nameRect(current);

        QVERIFY(area.contains(name));
        const bool whole = name.width() >= metrics.horizontalAdvance(below.last());
        if (wholeNameInView)
            QVERIFY2(whole, qPrintable(u"%1 px for %2"_s.arg(name.width()).arg(below.last())));
        else
            QVERIFY(whole || current.data(Qt::ToolTipRole).toString().contains(below.last()));

        // The first subfolders, one level deeper still, show a good part of their names.
        for (int first = 1; first <= 2; ++first) {
            const QModelIndex subfolder = view.model()->index(current.row() + first, 0);
            QCOMPARE(subfolder.data().toString(), subfolders.at(first - 1));
            const QRect shown = view.nameRect(subfolder);
            QVERIFY2(area.contains(shown), qPrintable(subfolder.data().toString()));
            QVERIFY2(shown.width() >= metrics.horizontalAdvance(u"Фотографии"_s),
                     qPrintable(u"%1 px"_s.arg(shown.width())));
        }
    }

    void driveViewCurrentFolderOpens_data() {
        addColumns<QString, QString, QString>({"visited", "removed", "current"});

        QTest::newRow("still there") << u"a/sub2/x/y"_s << QString() << u"a/sub2/x/y"_s;
        QTest::newRow("removed: its parent") << u"a/sub2/x/y"_s << u"a/sub2/x/y"_s << u"a/sub2/x"_s;
        QTest::newRow("removed with its parent") << u"a/sub2/x/y"_s << u"a/sub2/x"_s << u"a/sub2"_s;
        QTest::newRow("every folder up to the root removed")
            << u"a/sub2/x/y"_s << u"a/sub2"_s << u"a"_s;
    }

    void driveViewCurrentFolderOpens() {
        QFETCH(QString, visited);
        QFETCH(QString, removed);
        QFETCH(QString, current);
        QVERIFY(QDir(m_dir.path()).mkpath(visited));
        widgets::DriveView drives({m_dir.filePath(u"a"_s), m_dir.filePath(u"b"_s)});
        drives.noteVisited(m_dir.filePath(visited));
        QVERIFY(drives.setDrive(m_dir.filePath(u"b"_s)));
        if (!removed.isEmpty())
            QVERIFY(QDir(m_dir.filePath(removed)).removeRecursively());

        QVERIFY(drives.setDrive(m_dir.filePath(u"a"_s)));
        QCOMPARE(drives.drive(), m_dir.filePath(current));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestViews)
#include "test_views.moc"
