// The selection handlers on real folders: nesting, the views, the panel and the recovery.
#include "columns.h"
#include "folder_files.h"
#include "rows.h"
#include "selection/file_selection.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Writes "> handler <Dir.Path>" on entry and "< handler" on return, so the log shows the nesting.
class RecordingSelection : public selection::FileSelection {
public:
    RecordingSelection(widgets::DriveView& drvDir, widgets::FolderView& Dir, QComboBox& cboMask,
                       widgets::FileListView& File1, widgets::FileListView& File2, QStringList& log,
                       std::function<QString(const QString&)> shortPath)
        : FileSelection(drvDir, Dir, cboMask, File1, File2,
                        [&log](const QString& text) { log.append(u"panel "_s + text); })
        , m_Dir(Dir)
        , m_log(log)
        , m_shortPath(std::move(shortPath)) {}

    void cboMask_Change() override {
        run(u"cboMask_Change"_s, [this] { FileSelection::cboMask_Change(); });
    }
    void cboMask_Click() override {
        run(u"cboMask_Click"_s, [this] { FileSelection::cboMask_Click(); });
    }
    void Dir_Change() override {
        run(u"Dir_Change"_s, [this] { FileSelection::Dir_Change(); });
    }
    void drvDir_Change() override {
        run(u"drvDir_Change"_s, [this] { FileSelection::drvDir_Change(); });
    }

private:
    template <typename Body> void run(const QString& handler, Body body) {
        m_log.append(u"> "_s + handler + u' ' + m_shortPath(m_Dir.path()));
        body();
        m_log.append(u"< "_s + handler);
    }

    widgets::FolderView& m_Dir;
    QStringList& m_log;
    std::function<QString(const QString&)> m_shortPath;
};

QStringList names(const widgets::FileListView& view) {
    return rowTexts(*view.model());
}

} // namespace

class TestFileSelection : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir root(m_dir->path());
        for (const QString& folder : {u"a/sub"_s, u"b/deep"_s})
            QVERIFY(root.mkpath(folder));
        for (const QString& file :
             {u"a/a.txt"_s, u"a/b.TXT"_s, u"a/c.jpg"_s, u"a/README"_s, u"a/.hidden.txt"_s,
              u"a/sub/x.txt"_s, u"a/sub/y.txt"_s, u"b/one.txt"_s, u"b/deep/two.jpg"_s})
            touch(m_dir->filePath(file));

        m_drvDir = std::make_unique<widgets::DriveView>(
            QStringList{path(u"a"_s), path(u"b"_s), path(u"missing"_s)});
        m_Dir = std::make_unique<widgets::FolderView>();
        m_cboMask = std::make_unique<QComboBox>();
        m_cboMask->setEditable(true);
        m_cboMask->setInsertPolicy(QComboBox::NoInsert);
        m_cboMask->addItems({u"*.*"_s, u"*.txt"_s, u"*.jpg"_s});
        m_File1 = std::make_unique<widgets::FileListView>();
        m_File2 = std::make_unique<widgets::FileListView>();
        m_selection = std::make_unique<RecordingSelection>(
            *m_drvDir, *m_Dir, *m_cboMask, *m_File1, *m_File2, m_log,
            [this](const QString& full) { return shortPath(full); });

        QVERIFY(m_Dir->setPath(path(u"a"_s)));
        QCOMPARE(m_drvDir->root(), path(u"a"_s));
        m_log.clear();
    }

    void cleanup() {
        m_selection.reset();
        m_File2.reset();
        m_File1.reset();
        m_cboMask.reset();
        m_Dir.reset();
        m_drvDir.reset();
        m_log.clear();
        m_dir.reset();
    }

    void foundFilesText_data() {
        addColumns<qsizetype, QString>({"count", "text"});
        QTest::newRow("twelve") << qsizetype(12) << u"Найдено файлов:  12"_s;
        QTest::newRow("none") << qsizetype(0) << u"Найдено файлов:  0"_s;
        QTest::newRow("past 16 bits") << qsizetype(100000) << u"Найдено файлов:  100000"_s;
    }
    void foundFilesText() {
        QFETCH(qsizetype, count);
        QFETCH(QString, text);
        QCOMPARE(selection::foundFilesText(count), text);
    }

    void folderChangeListsBothViews() {
        QVERIFY(m_Dir->setPath(path(u"a/sub"_s)));
        QCOMPARE(m_log, (QStringList{u"> Dir_Change a/sub"_s, u"panel Найдено файлов:  2"_s,
                                     u"< Dir_Change"_s}));
        QCOMPARE(names(*m_File1), (QStringList{u"x.txt"_s, u"y.txt"_s}));
        QCOMPARE(names(*m_File2), names(*m_File1));
    }

    void typingTheMaskRefiltersOnEveryKeystroke() {
        m_cboMask->clearEditText();
        QCOMPARE(lastPanel(), u"Найдено файлов:  0"_s); // an empty mask lists nothing
        m_log.clear();

        QTest::keyClicks(m_cboMask->lineEdit(), u"*.txt"_s);
        QStringList panels;
        for (const QString& entry : std::as_const(m_log)) {
            if (entry.startsWith(u"panel"_s))
                panels.append(entry.mid(entry.indexOf(u':') + 1));
        }
        // "*" all four, "*." README only, "*.t" and "*.tx" nothing, "*.txt" a.txt and b.TXT.
        QCOMPARE(panels, (QStringList{u"  4"_s, u"  1"_s, u"  0"_s, u"  0"_s, u"  2"_s}));
        QCOMPARE(m_log.mid(0, 3),
                 (QStringList{u"> cboMask_Change a"_s, u"panel Найдено файлов:  4"_s,
                              u"< cboMask_Change"_s}));
        QCOMPARE(names(*m_File1), (QStringList{u"a.txt"_s, u"b.TXT"_s}));
        QCOMPARE(names(*m_File2), names(*m_File1));
    }

    void choosingAnItemActsLikeTypingIt() {
        m_cboMask->setFocus();
        QTest::keyClick(m_cboMask.get(), Qt::Key_Down); // the user's choice of "*.txt"
        QCOMPARE(m_cboMask->currentText(), u"*.txt"_s);
        const QStringList chosen = m_log;
        QCOMPARE(chosen.last(), u"< cboMask_Change"_s); // run once, not again as a Click
        QCOMPARE(chosen.count(u"> cboMask_Change a"_s), 1);
        QCOMPARE(chosen.filter(u"cboMask_Click"_s), QStringList());
        const QStringList chosenNames = names(*m_File1);

        m_log.clear();
        m_cboMask->setEditText(u"*.*"_s);
        m_cboMask->setEditText(QString());
        m_log.clear();
        QTest::keyClicks(m_cboMask->lineEdit(), u"*.txt"_s);
        QCOMPARE(m_log.mid(m_log.size() - 3), chosen.mid(chosen.size() - 3));
        QCOMPARE(names(*m_File1), chosenNames);

        // From code, as Form_Load does it: the same mask steps.
        m_log.clear();
        m_selection->cboMask_Click();
        QCOMPARE(m_log, (QStringList{u"> cboMask_Click a"_s, u"panel Найдено файлов:  2"_s,
                                     u"< cboMask_Click"_s}));
    }

    void choosingTheShownItemAgainRelists() {
        m_cboMask->setCurrentIndex(0);
        const qsizetype before = m_File1->fileModel()->count();
        touch(path(u"a/new.txt"_s));
        m_log.clear();

        m_cboMask->showPopup();
        QTest::keyClick(m_cboMask->view(), Qt::Key_Return);
        QCOMPARE(m_log.first(), u"> cboMask_Click a"_s);
        QCOMPARE(m_log.count(u"> cboMask_Change a"_s), 0);
        QCOMPARE(m_File1->fileModel()->count(), before + 1);
        QCOMPARE(names(*m_File2), names(*m_File1));
        QCOMPARE(lastPanel(), u"Найдено файлов:  %1"_s.arg(before + 1));
    }

    void driveChangeRunsTheFolderStepsNested() {
        QVERIFY(m_Dir->setPath(path(u"b/deep"_s))); // b's current folder from now on
        QVERIFY(m_Dir->setPath(path(u"a/sub"_s)));
        m_cboMask->setEditText(u"*.jpg"_s);
        m_log.clear();

        m_drvDir->setCurrentIndex(1); // the user picks b
        QCOMPARE(m_log, (QStringList{u"> drvDir_Change a/sub"_s, u"> Dir_Change b/deep"_s,
                                     u"panel Найдено файлов:  1"_s, u"< Dir_Change"_s,
                                     u"> Dir_Change b"_s, u"panel Найдено файлов:  0"_s,
                                     u"< Dir_Change"_s, u"< drvDir_Change"_s}));
        QCOMPARE(m_Dir->path(), path(u"b"_s));
        QCOMPARE(m_drvDir->root(), path(u"b"_s));

        // Back to a: its current folder is the last one visited there, then its root.
        m_log.clear();
        QVERIFY(m_drvDir->setDrive(path(u"a/sub/x.txt"_s)));
        QCOMPARE(m_log.first(), u"> drvDir_Change b"_s);
        QCOMPARE(m_log.filter(u"> Dir_Change"_s),
                 (QStringList{u"> Dir_Change a/sub"_s, u"> Dir_Change a"_s}));
        QCOMPARE(m_File1->fileModel()->path(), path(u"a"_s));
        QCOMPARE(names(*m_File1), QStringList{u"c.jpg"_s});
    }

    void driveRecovery_data() {
        addColumns<QStringList, QString, int, QString, QString, QStringList>(
            {"visited", "removed", "drive", "root", "folder", "log"});

        QTest::newRow("a drive that cannot be opened is undone")
            << QStringList{u"a/sub"_s} << QString() << 2 << u"a"_s << u"a"_s
            << QStringList{u"> drvDir_Change a/sub"_s, u"> drvDir_Change a/sub"_s,
                           u"> Dir_Change a"_s,        u"panel Найдено файлов:  4"_s,
                           u"< Dir_Change"_s,          u"< drvDir_Change"_s,
                           u"< drvDir_Change"_s};
        QTest::newRow("a drive whose folder was removed opens at its root")
            << QStringList{u"b/deep"_s, u"a"_s} << u"b/deep"_s << 1 << u"b"_s << u"b"_s
            << QStringList{u"> drvDir_Change a"_s, u"> Dir_Change b"_s,
                           u"panel Найдено файлов:  1"_s, u"< Dir_Change"_s, u"< drvDir_Change"_s};
        // The restored drive has gone as a whole: one restore, then stop.
        QTest::newRow("a restored drive that fails too leaves the views")
            << QStringList{u"a/sub"_s} << u"a"_s << 2 << u"a"_s << u"a/sub"_s
            << QStringList{u"> drvDir_Change a/sub"_s, u"> drvDir_Change a/sub"_s,
                           u"< drvDir_Change"_s, u"< drvDir_Change"_s};
    }
    void driveRecovery() {
        QFETCH(QStringList, visited);
        QFETCH(QString, removed);
        QFETCH(int, drive);
        QFETCH(QString, root);
        QFETCH(QString, folder);
        QFETCH(QStringList, log);
        for (const QString& visit : visited)
            QVERIFY(m_Dir->setPath(path(visit)));
        if (!removed.isEmpty())
            QVERIFY(QDir(path(removed)).removeRecursively());
        m_log.clear();

        m_drvDir->setCurrentIndex(drive);
        QCOMPARE(m_log, log);
        QCOMPARE(m_drvDir->root(), path(root));
        QCOMPARE(m_Dir->path(), path(folder));
        QCOMPARE(m_File1->fileModel()->path(), path(folder));
        QCOMPARE(m_File2->fileModel()->path(), path(folder));
    }

    void folderRemovedUnderTheViews() {
        QVERIFY(m_Dir->setPath(path(u"a/sub"_s)));
        QCOMPARE(m_File1->fileModel()->count(), 2);
        QVERIFY(QDir(path(u"a/sub"_s)).removeRecursively());

        m_cboMask->setEditText(u"*.txt"_s);
        QCOMPARE(m_File1->fileModel()->count(), 0);
        QCOMPARE(m_File2->fileModel()->count(), 0);
        QCOMPARE(m_File1->fileModel()->name(0), QString());
        QCOMPARE(lastPanel(), u"Найдено файлов:  0"_s);
        m_File1->fileModel()->refresh();
        QCOMPARE(m_File1->fileModel()->count(), 0);

        // The folder view still opens the parent, and everything lists again.
        QVERIFY(m_Dir->setPath(path(u"a"_s)));
        QCOMPARE(names(*m_File1), (QStringList{u"a.txt"_s, u"b.TXT"_s}));
    }

    void bothFileViewsAgree() {
        const QString folder = path(u"many"_s);
        QVERIFY(QDir().mkdir(folder));
        QRandomGenerator random(4);
        const QStringList stems{u"img"_s, u"IMG"_s, u"Img_"_s, u"фото"_s, u"ФОТО"_s, u"a"_s};
        for (int i = 0; i < 300; ++i) {
            touch(folder + u'/' + stems.at(random.bounded(int(stems.size()))) +
                  QString::number(random.bounded(1000)).rightJustified(random.bounded(1, 4), u'0') +
                  (random.bounded(2) ? u".jpg"_s : u".JPG"_s));
        }
        QVERIFY(m_Dir->setPath(folder));
        QVERIFY(m_File1->fileModel()->count() > 200);
        QCOMPARE(names(*m_File2), names(*m_File1));
        QCOMPARE(lastPanel(),
                 u"Найдено файлов:  "_s + QString::number(m_File1->fileModel()->count()));
    }

private:
    QString lastPanel() const {
        const QStringList panels = m_log.filter(u"panel "_s);
        return panels.isEmpty() ? QString() : panels.last().mid(6);
    }
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    QString shortPath(const QString& full) const {
        return full.startsWith(m_dir->path()) ? full.mid(m_dir->path().size() + 1) : full;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<widgets::DriveView> m_drvDir;
    std::unique_ptr<widgets::FolderView> m_Dir;
    std::unique_ptr<QComboBox> m_cboMask;
    std::unique_ptr<widgets::FileListView> m_File1;
    std::unique_ptr<widgets::FileListView> m_File2;
    std::unique_ptr<RecordingSelection> m_selection;
    QStringList m_log;
};

QTEST_MAIN(TestFileSelection)
#include "test_file_selection.moc"
