// The swap pre-pass: worked examples, and the indexed pass held to the pairwise scan it replaces.
#include "platform/text.h"
#include "renaming/swap_pre_pass.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// The pairwise scan, literally: every new name against every current name, exchanged in place.
QStringList literalPrePass(QStringList newNames, const QStringList& currentNames) {
    for (qsizetype i = 0; i < newNames.size(); ++i)
        for (qsizetype j = 0; j < newNames.size(); ++j)
            if (platform::upperCase(newNames.at(i)) == platform::upperCase(currentNames.value(j))) {
                const QString held = newNames.at(i);
                newNames[i] = newNames.at(j);
                newNames[j] = held;
            }
    return newNames;
}

QString pick(QRandomGenerator& random, const QStringList& pool) {
    return pool.at(random.bounded(int(pool.size())));
}

} // namespace

class TestSwapPrePass : public QObject {
    Q_OBJECT

private slots:
    void examples_data();
    void examples();
    void sameExchangesAsPairwiseScan_data();
    void sameExchangesAsPairwiseScan();
};

void TestSwapPrePass::examples_data() {
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QStringList>("newNames");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QStringList() << QStringList() << QStringList();
    QTest::newRow("name taken by a later row goes to it")
        << QStringList{u"a.txt"_s, u"b.txt"_s} << QStringList{u"b.txt"_s, u"c.txt"_s}
        << QStringList{u"c.txt"_s, u"b.txt"_s};
    QTest::newRow("letter case ignored")
        << QStringList{u"a.txt"_s, u"b.txt"_s} << QStringList{u"B.TXT"_s, u"c.txt"_s}
        << QStringList{u"c.txt"_s, u"B.TXT"_s};
    QTest::newRow("Cyrillic letter case ignored")
        << QStringList{u"отпуск.jpg"_s, u"фото.jpg"_s} << QStringList{u"ФОТО.JPG"_s, u"море.jpg"_s}
        << QStringList{u"море.jpg"_s, u"ФОТО.JPG"_s};
    QTest::newRow("cycle: each file keeps its name")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"b"_s, u"a"_s}
        << QStringList{u"a"_s, u"b"_s};
    // Row 0 takes b, then c with its new content, then ends with d.
    QTest::newRow("chain walks on with the exchanged content")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"b"_s, u"c"_s, u"d"_s}
        << QStringList{u"d"_s, u"b"_s, u"c"_s};
    // Row 0 exchanges c for b, but the scan has passed row 1 already: a is left to be renamed
    // to b while b still exists, and that rename will fail.
    QTest::newRow("no look back after an exchange")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"c"_s, u"x"_s, u"b"_s}
        << QStringList{u"b"_s, u"x"_s, u"c"_s};
    QTest::newRow("no current name taken")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"x"_s, u"y"_s}
        << QStringList{u"x"_s, u"y"_s};
    // Rows past the listed files read as "", which only an empty new name equals.
    QTest::newRow("more new names than files")
        << QStringList{u"a"_s} << QStringList{u"b"_s, u""_s, u"a"_s}
        << QStringList{u"b"_s, u""_s, u"a"_s};
}

void TestSwapPrePass::examples() {
    QFETCH(QStringList, current);
    QFETCH(QStringList, newNames);
    QFETCH(QStringList, expected);

    QCOMPARE(literalPrePass(newNames, current), expected);
    QCOMPARE(renaming::swapPrePass(newNames, current), expected);
}

void TestSwapPrePass::sameExchangesAsPairwiseScan_data() {
    QTest::addColumn<QStringList>("pool");
    QTest::addColumn<int>("maxRows");

    // Small pools make every kind of collision frequent: names that differ only in case, new
    // names equal to current ones, chains and cycles, rows that keep their own name.
    QTest::newRow("case variants") << QStringList{u"a"_s, u"A"_s, u"b"_s, u"B"_s, u"c"_s} << 8;
    QTest::newRow("Cyrillic and Latin")
        << QStringList{u"ф.jpg"_s, u"Ф.JPG"_s, u"ф.JPG"_s, u"f.jpg"_s, u"F.jpg"_s, u"я"_s} << 10;
    QTest::newRow("wide pool, longer lists")
        << QStringList{u"a1"_s, u"A1"_s, u"a2"_s, u"a3"_s, u"A3"_s, u"b1"_s,
                       u"b2"_s, u"B2"_s, u"c"_s,  u"d"_s,  u"e"_s,  u"E"_s}
        << 24;
    QTest::newRow("with empty names") << QStringList{u""_s, u"a"_s, u"A"_s, u"b"_s} << 6;
}

void TestSwapPrePass::sameExchangesAsPairwiseScan() {
    QFETCH(QStringList, pool);
    QFETCH(int, maxRows);

    for (quint32 seed = 1; seed <= 3000; ++seed) {
        QRandomGenerator random(seed);
        const int fileRows = random.bounded(maxRows + 1);
        // Mostly as many new names as files, as after a preview; sometimes a different count.
        const int newRows = random.bounded(4) == 0 ? random.bounded(maxRows + 1) : fileRows;
        QStringList current;
        QStringList newNames;
        for (int row = 0; row < fileRows; ++row)
            current.append(pick(random, pool));
        for (int row = 0; row < newRows; ++row) {
            // A quarter of the rows start out with their own file's name.
            const bool own = row < fileRows && random.bounded(4) == 0;
            newNames.append(own ? current.at(row) : pick(random, pool));
        }
        const QStringList expected = literalPrePass(newNames, current);
        const QStringList actual = renaming::swapPrePass(newNames, current);
        if (actual != expected)
            qInfo() << "seed" << seed << "current" << current << "new" << newNames;
        QCOMPARE(actual, expected);
    }
}

QTEST_GUILESS_MAIN(TestSwapPrePass)
#include "test_swap_pre_pass.moc"
