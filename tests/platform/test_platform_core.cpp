// The runtime's string conventions, names as reversible text and the new-name list model.
#include "columns.h"
#include "platform/file_names.h"
#include "platform/name_list_model.h"
#include "platform/text.h"

#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPlatformCore : public QObject {
    Q_OBJECT

private slots:
    void signedNumberText_data() {
        addColumns<qint64, QString>({"number", "text"});
        QTest::newRow("zero") << qint64(0) << u" 0"_s;
        QTest::newRow("twelve") << qint64(12) << u" 12"_s;
        QTest::newRow("past 16 bits") << qint64(100000) << u" 100000"_s;
        QTest::newRow("negative") << qint64(-3) << u"-3"_s;
    }
    void signedNumberText() {
        QFETCH(qint64, number);
        QFETCH(QString, text);
        QCOMPARE(platform::signedNumberText(number), text);
    }

    void trimBlanks_data() {
        addColumns<QString, QString>({"text", "trimmed"});
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

    void equalsIgnoringCase_data() {
        addColumns<QString, QString>({"text", "upper"});
        QTest::newRow("latin") << u"b.txt"_s << u"B.TXT"_s;
        QTest::newRow("cyrillic") << u"фото ёж.jpg"_s << u"ФОТО ЁЖ.JPG"_s;
        QTest::newRow("digits and marks") << u"01-_.~"_s << u"01-_.~"_s;
        // One character for one: the full mapping would give "STRASSE" and "FI".
        QTest::newRow("ß stays") << u"straße"_s << u"STRAßE"_s;
        QTest::newRow("ﬁ stays") << u"ﬁle"_s << u"ﬁLE"_s;
        QTest::newRow("ё becomes Ё") << u"ёлка"_s << u"ЁЛКА"_s;
        QTest::newRow("beyond 16 bits") << u"𐐨.txt"_s << u"𐐀.TXT"_s;
        QTest::newRow("escaped bytes stay") << u"caf"_s + QChar(0xDCE9) << u"CAF"_s + QChar(0xDCE9);
    }
    void equalsIgnoringCase() {
        QFETCH(QString, text);
        QFETCH(QString, upper);
        QVERIFY(platform::equalsIgnoringCase(text, upper));
        QCOMPARE(platform::caselessHash(text, 7), platform::caselessHash(upper, 7));
        QVERIFY(!platform::equalsIgnoringCase(text, upper + u'x'));
        // The simple mapping only: a full one would make "ß" and "SS" equal.
        if (text.contains(u'ß'))
            QVERIFY(!platform::equalsIgnoringCase(text, QString(upper).replace(u'ß', u"SS"_s)));
    }

    void fileNames_data() {
        addColumns<QByteArray, QString, QString>({"bytes", "text", "shown"});
        const QChar e9(0xDCE9);
        const QChar ff(0xDCFF);
        QTest::newRow("ASCII") << "a b.txt"_ba << u"a b.txt"_s << u"a b.txt"_s;
        QTest::newRow("UTF-8") << u"ёж €𝄞.txt"_s.toUtf8() << u"ёж €𝄞.txt"_s << u"ёж €𝄞.txt"_s;
        QTest::newRow("a replacement mark of its own")
            << "\xEF\xBF\xBD"_ba << u"\uFFFD"_s << u"\uFFFD"_s;
        QTest::newRow("Latin-1") << "caf\xE9"_ba << u"caf"_s + e9 << u"caf\uFFFD"_s;
        QTest::newRow("stray bytes") << "\xFF\xE9"_ba << QString(ff) + e9 << u"\uFFFD\uFFFD"_s;
        QTest::newRow("cut sequence") << "\xD1"_ba << QString(QChar(0xDCD1)) << u"\uFFFD"_s;
        QTest::newRow("overlong slash")
            << "\xC0\xAF"_ba << QString(QChar(0xDCC0)) + QChar(0xDCAF) << u"\uFFFD\uFFFD"_s;
        // UTF-8 for an escape's own code unit is not valid UTF-8: its bytes are escaped in turn.
        QTest::newRow("encoded escape")
            << "\xED\xB3\xA9"_ba << QString(QChar(0xDCED)) + QChar(0xDCB3) + QChar(0xDCA9)
            << u"\uFFFD\uFFFD\uFFFD"_s;
        QTest::newRow("byte order mark kept") << "\xEF\xBB\xBF"
                                                 "a"_ba
                                              << u"\uFEFFa"_s << u"\uFEFFa"_s;
        QTest::newRow("pair whose low half looks like an escape")
            << "\xF0\x90\x82\x80"_ba << u"\U00010080"_s << u"\U00010080"_s;
    }
    void fileNames() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(platform::decodeFileName(bytes), text);
        QCOMPARE(platform::encodeFileName(text), bytes);
        QCOMPARE(platform::shownFileName(text), shown);
        QCOMPARE(platform::hasEscapedBytes(text), shown != text);
    }

    // Every byte name of up to three bytes from a set that mixes ASCII, lead and trail bytes
    // maps back to itself, so no two of them share a text.
    void fileNamesRoundTrip() {
        const QByteArray alphabet("a\x80\xA9\xBF\xC3\xD1\xE2\xED\xEF\xF0\xF4\xFF");
        QSet<QString> texts;
        int names = 0;
        for (int length = 1; length <= 3; ++length) {
            QList<int> digits(length, 0);
            for (;;) {
                QByteArray bytes;
                for (const int digit : digits)
                    bytes.append(alphabet.at(digit));
                const QString text = platform::decodeFileName(bytes);
                QCOMPARE(platform::encodeFileName(text), bytes);
                texts.insert(text);
                ++names;
                qsizetype k = 0;
                while (k < length && ++digits[k] == alphabet.size())
                    digits[k++] = 0;
                if (k == length)
                    break;
            }
        }
        QCOMPARE(texts.size(), names);
    }

    void nameListShowsEscapedBytesAsMarks() {
        platform::NameListModel list;
        list.addItems({u"caf"_s + QChar(0xDCE9) + u"1.txt"_s});
        QCOMPARE(list.data(list.index(0)).toString(), u"caf\uFFFD1.txt"_s);
        QCOMPARE(list.item(0), u"caf"_s + QChar(0xDCE9) + u"1.txt"_s);
    }

    void nameListKeepsOrderAndReadsEmptyPastTheEnd() {
        platform::NameListModel list;
        const QAbstractItemModelTester tester(
            &list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.addItems({u"b"_s});
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
        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(highlighted.count(), 2);
        QCOMPARE(highlighted.at(0).at(0).value<qsizetype>(), 1);
        QCOMPARE(highlighted.at(1).at(0).value<qsizetype>(), -1);
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
