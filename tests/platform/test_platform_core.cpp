// The runtime's string conventions and the new-name list model.
#include "platform/name_list_model.h"
#include "platform/text.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPlatformCore : public QObject {
    Q_OBJECT

private slots:
    void classicNumberText_data() {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u" 0"_s;
        QTest::newRow("twelve") << qint64(12) << u" 12"_s;
        QTest::newRow("past 16 bits") << qint64(100000) << u" 100000"_s;
        QTest::newRow("negative") << qint64(-3) << u"-3"_s;
    }
    void classicNumberText() {
        QFETCH(qint64, number);
        QFETCH(QString, text);
        QCOMPARE(platform::classicNumberText(number), text);
    }

    void trimBlanks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("both sides") << u"  * "_s << u"*"_s;
        QTest::newRow("inner blanks stay") << u" a b "_s << u"a b"_s;
        QTest::newRow("only blanks") << u"   "_s << QString();
        QTest::newRow("tabs are not blanks") << u"\t.*\t"_s << u"\t.*\t"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void trimBlanks() {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(platform::trimBlanks(text), trimmed);
    }

    void upperCase_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("upper");
        QTest::newRow("latin") << u"b.txt"_s << u"B.TXT"_s;
        QTest::newRow("cyrillic") << u"фото ёж.jpg"_s << u"ФОТО ЁЖ.JPG"_s;
        QTest::newRow("digits and marks") << u"01-_.~"_s << u"01-_.~"_s;
    }
    void upperCase() {
        QFETCH(QString, text);
        QFETCH(QString, upper);
        QCOMPARE(platform::upperCase(text), upper);
    }

    void nameListKeepsOrderAndReadsEmptyPastTheEnd() {
        platform::NameListModel list;
        const QAbstractItemModelTester tester(
            &list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.addItem(u"b"_s);
        list.addItems({u"c"_s, u"a"_s});
        QCOMPARE(list.items(), (QStringList{u"b"_s, u"c"_s, u"a"_s}));
        QCOMPARE(list.rowCount(), 3);
        QCOMPARE(list.item(3), QString());
        QCOMPARE(list.item(-1), QString());

        list.setItem(1, u"z"_s);
        list.setItem(7, u"ignored"_s);
        QCOMPARE(list.items(), (QStringList{u"b"_s, u"z"_s, u"a"_s}));
        QCOMPARE(list.data(list.index(1)).toString(), u"z"_s);
    }

    void nameListHighlightFollowsClear() {
        platform::NameListModel list;
        const QAbstractItemModelTester tester(
            &list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy highlighted(&list, &platform::NameListModel::listIndexChanged);
        list.addItems({u"a"_s, u"b"_s});
        list.setListIndex(1);
        QCOMPARE(list.listIndex(), 1);
        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.listIndex(), -1);
        QCOMPARE(highlighted.count(), 2);
    }

    void manyNamesAreOneInsertion() {
        platform::NameListModel list;
        QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
        QStringList names;
        for (int i = 0; i < 100000; ++i)
            names.append(QString::number(i));
        list.addItems(names);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(list.count(), 100000);
        QCOMPARE(list.item(99999), u"99999"_s);
    }
};

QTEST_GUILESS_MAIN(TestPlatformCore)
#include "test_platform_core.moc"
