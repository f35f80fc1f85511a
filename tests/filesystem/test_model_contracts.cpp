// Qt's model tester over the file and folder models while they are re-pointed, re-filtered and
// re-read, so a view never meets a row count or index that the model then contradicts.
#include "filesystem/file_list_model.h"
#include "filesystem/folder_list_model.h"
#include "folder_files.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestModelContracts : public QObject {
    Q_OBJECT

private slots:
    void fileListModel() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString& name : {u"b.txt"_s, u"a10.txt"_s, u"a9.txt"_s, u"c.mp3"_s})
            touch(dir.filePath(name));

        filesystem::FileListModel model;
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setPath(dir.path());
        QCOMPARE(model.rowCount(), 4);
        model.setPattern(u"*.txt"_s);
        QCOMPARE(model.rowCount(), 3);
        touch(dir.filePath(u"d.txt"_s));
        model.refresh();
        QCOMPARE(model.rowCount(), 4);
        model.setPath(dir.filePath(u"gone"_s));
        QCOMPARE(model.rowCount(), 0);
    }

    void folderListModel() {
        filesystem::FolderListModel model;
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.show(u"/home/user"_s, {u"Документы"_s, u"Музыка"_s});
        QCOMPARE(model.rowCount(), 5);
        model.show(u"/"_s, {});
        QCOMPARE(model.rowCount(), 1);
        model.show(u"/home"_s, {u"user"_s});
        QCOMPARE(model.rowCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestModelContracts)
#include "test_model_contracts.moc"
