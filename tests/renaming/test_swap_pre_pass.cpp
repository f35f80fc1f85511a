// The swap pre-pass: worked examples, and the indexed pass held to a literal pairwise scan.
#include "columns.h"
#include "folder_files.h"
#include "literal_pre_pass.h"
#include "renaming/swap_pre_pass.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// Rows whose new name is their own current name, which no other new name equals ignoring case:
/// nothing may take such a name away from its file.
QList<qsizetype> ownNameRows(const QStringList& newNames, const QStringList& currentNames) {
    QList<qsizetype> rows;
    for (qsizetype k = 0; k < newNames.size(); ++k) {
        if (newNames.at(k) != currentNames.value(k))
            continue;
        bool alone = true;
        for (qsizetype other = 0; other < newNames.size(); ++other)
            alone = alone && (other == k ||
                              literalUpper(newNames.at(other)) != literalUpper(newNames.at(k)));
        if (alone)
            rows.append(k);
    }
    return rows;
}

/// Whether `name` equals one of `names` ignoring case without being equal to it.
bool isCaseTwin(const QString& name, const QStringList& names) {
    for (const QString& other : names)
        if (other != name && literalUpper(other) == literalUpper(name))
            return true;
    return false;
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
    void caseAndByteTwins_data();
    void caseAndByteTwins();
};

void TestSwapPrePass::examples_data() {
    addColumns<QStringList, QStringList, QStringList>({"current", "newNames", "expected"});

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
    QTest::newRow("case twins: an exact match goes to its own file")
        << QStringList{u"A.txt"_s, u"a.txt"_s} << QStringList{u"x.txt"_s, u"a.txt"_s}
        << QStringList{u"x.txt"_s, u"a.txt"_s};
    QTest::newRow("case twins: exact match to an earlier row")
        << QStringList{u"A.txt"_s, u"a.txt"_s} << QStringList{u"a.txt"_s, u"x.txt"_s}
        << QStringList{u"x.txt"_s, u"a.txt"_s};
    QTest::newRow("case twins: no exact match takes the first")
        << QStringList{u"A.txt"_s, u"a.txt"_s, u"b"_s} << QStringList{u"x"_s, u"y"_s, u"A.TXT"_s}
        << QStringList{u"A.TXT"_s, u"y"_s, u"x"_s};
    // Bytes that are not UTF-8 are escapes U+DC80..U+DCFF: twins that show alike differ as text.
    QTest::newRow("byte twins") << QStringList{escaped(0xE9) + u".txt"_s, escaped(0xFF) + u".txt"_s}
                                << QStringList{u"x.txt"_s, escaped(0xFF) + u".txt"_s}
                                << QStringList{u"x.txt"_s, escaped(0xFF) + u".txt"_s};
}

void TestSwapPrePass::examples() {
    QFETCH(QStringList, current);
    QFETCH(QStringList, newNames);
    QFETCH(QStringList, expected);

    QCOMPARE(literalPrePass(newNames, current), expected);
    QCOMPARE(renaming::swapPrePass(newNames, current), expected);
}

void TestSwapPrePass::sameExchangesAsPairwiseScan_data() {
    addColumns<QStringList, int>({"pool", "maxRows"});

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

// Only lists a case-insensitive file system can hold: no two current names equal ignoring case,
// unless they are equal outright (rows past the listed files all read as "").

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
        while (current.size() < fileRows) {
            const QString name = pick(random, pool);
            if (!isCaseTwin(name, current))
                current.append(name);
        }
        for (int row = 0; row < newRows; ++row) {
            // A quarter of the rows start out with their own file's name.
            const bool own = row < fileRows && random.bounded(4) == 0;
            newNames.append(own ? current.at(row) : pick(random, pool));
        }
        const QStringList expected = literalPrePass(newNames, current, false);
        const QStringList actual = renaming::swapPrePass(newNames, current);
        if (actual != expected)
            qInfo() << "seed" << seed << "current" << current << "new" << newNames;
        QCOMPARE(actual, expected);
    }
}

void TestSwapPrePass::caseAndByteTwins_data() {
    addColumns<QStringList, int>({"pool", "maxRows"});

    QTest::newRow("Latin case twins") << QStringList{u"a.txt"_s, u"A.txt"_s, u"a.TXT"_s, u"A.TXT"_s,
                                                     u"b"_s,     u"B"_s,     u"c"_s,     u"x"_s}
                                      << 8;
    QTest::newRow("Cyrillic case twins")
        << QStringList{u"ёж"_s, u"Ёж"_s, u"ЁЖ"_s, u"фото"_s, u"ФОТО"_s, u"Фото"_s, u"я"_s} << 7;
    // Escapes of bytes that are not UTF-8 beside the characters they show as and look like.
    QTest::newRow("byte twins") << QStringList{u"caf"_s + escaped(0xE9),
                                               u"caf"_s + escaped(0xFF),
                                               u"caf\uFFFD"_s,
                                               u"café"_s,
                                               u"CAFÉ"_s,
                                               u"caf"_s + escaped(0xC3) + escaped(0xA9),
                                               u"d"_s}
                                << 7;
}

// Lists as Linux has them, with case twins and byte twins among the current names. The pass
// matches a reference written straight from the rule; a file whose previewed name is its own
// keeps it, which the scan that ignores exact matches does not always give.
void TestSwapPrePass::caseAndByteTwins() {
    QFETCH(QStringList, pool);
    QFETCH(int, maxRows);

    int caseOnlyFaults = 0;
    for (quint32 seed = 1; seed <= 3000; ++seed) {
        QRandomGenerator random(seed);
        // A folder's names are distinct, and so are the new names after a preview.
        QStringList current = pool;
        QStringList newNames = pool;
        for (QStringList* list : {&current, &newNames})
            for (qsizetype k = list->size() - 1; k > 0; --k)
                list->swapItemsAt(k, random.bounded(int(k + 1)));
        const int rows = random.bounded(maxRows + 1);
        current = current.mid(0, rows);
        newNames = newNames.mid(0, rows);

        const QStringList actual = renaming::swapPrePass(newNames, current);
        if (actual != literalPrePass(newNames, current))
            qInfo() << "seed" << seed << "current" << current << "new" << newNames;
        QCOMPARE(actual, literalPrePass(newNames, current));
        const QStringList caseOnly = literalPrePass(newNames, current, false);
        for (const qsizetype row : ownNameRows(newNames, current)) {
            QCOMPARE(actual.at(row), current.at(row));
            caseOnlyFaults += caseOnly.at(row) != current.at(row);
        }
    }
    QVERIFY(caseOnlyFaults > 0);
}

QTEST_GUILESS_MAIN(TestSwapPrePass)
#include "test_swap_pre_pass.moc"
