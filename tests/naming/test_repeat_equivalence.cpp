// The hash-indexed repeat scan against a literal pairwise scan, on many random lists and answers.
#include "fake_new_name_list.h"
#include "fake_progress.h"
#include "naming/resolve_duplicate_names.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// A small alphabet, so that pairs and larger groups are common; "a" and "A", "a" and "a " differ.
const QStringList kAlphabet{u"a"_s, u"b"_s, u"c"_s, u"A"_s, u"a "_s};

/// What a scan showed at its prompts and left behind.
struct Run {
    QStringList defaults;
    QList<QStringList> shownLists; ///< lstNew while each box was open
    QList<qsizetype> highlights;   ///< lstNew's highlighted row while each box was open
    QList<qint64> progress;
    QStringList result; ///< empty when the user gave up
    qsizetype listIndex = -1;
};

/// Answers from a seeded generator: cancels, the unchanged default, other entries of the list,
/// letters of the alphabet and fresh names. After 40 prompts only fresh names, so a run ends.
class Answerer {
public:
    explicit Answerer(quint32 seed)
        : m_random(seed) {}

    QString answer(const QString& defaultText, const QStringList& list) {
        const QString fresh = u"fresh %1"_s.arg(++m_asked);
        if (m_asked > 40)
            return fresh;
        const int pick = int(m_random.bounded(100));
        if (pick < 5)
            return {};
        if (pick < 30)
            return defaultText;
        if (pick < 55 && !list.isEmpty())
            return list.at(m_random.bounded(list.size()));
        if (pick < 80)
            return kAlphabet.at(m_random.bounded(kAlphabet.size()));
        return fresh;
    }

private:
    QRandomGenerator m_random;
    int m_asked = 0;
};

/// The pairwise scan, written out literally: every pair (i, j), i < j, compared in order; the
/// earlier entry of an equal pair asked about until its answer matches no other entry.
Run pairwiseScan(QStringList list, Answerer answerer) {
    Run run;
    qsizetype highlight = -1;
    const qsizetype count = list.size();
    for (qsizetype i = 1; i <= count - 1; ++i) {
        run.progress.append(i);
        for (qsizetype j = i + 1; j <= list.size(); ++j) {
            if (list.at(i - 1) != list.at(j - 1))
                continue;
            highlight = i - 1;
            bool taken = true;
            while (taken) {
                run.defaults.append(list.at(i - 1));
                run.shownLists.append(list);
                run.highlights.append(highlight);
                const QString answer = answerer.answer(list.at(i - 1), list);
                if (answer.isEmpty()) {
                    run.listIndex = highlight;
                    return run;
                }
                // The answer is stored before it is checked; a refused one is the next default.
                list[i - 1] = answer;
                taken = false;
                for (qsizetype k = 0; k < list.size(); ++k)
                    taken = taken || (k != i - 1 && list.at(k) == answer);
            }
        }
    }
    run.progress.append(0);
    run.result = list;
    run.listIndex = highlight;
    return run;
}

Run indexedScan(const QStringList& list, Answerer answerer) {
    Run run;
    FakeNewNameList shown;
    shown.items = list;
    // What the list shows while each box is open, and the answer from the script.
    shown.opening = [&](const QString& defaultText) {
        run.shownLists.append(shown.items);
        run.highlights.append(shown.highlighted);
        shown.answers.append(answerer.answer(defaultText, shown.items));
    };
    FakeProgress progress;
    run.result = naming::ResolveDuplicateNames(list, shown, progress).value_or(QStringList());
    run.defaults = shown.asked;
    run.progress = progress.values;
    run.listIndex = shown.highlighted;
    return run;
}

} // namespace

class TestRepeatEquivalence : public QObject {
    Q_OBJECT

private slots:
    void sameAsPairwiseScan();
};

void TestRepeatEquivalence::sameAsPairwiseScan() {
    // Shapes the comparison must have met, so that a weakened generator cannot pass unnoticed.
    int groupsOfThree = 0;
    int askedAgain = 0;
    int gaveUpWhenAskedAgain = 0;
    int completedWithPrompts = 0;

    for (quint32 seed = 1; seed <= 3000; ++seed) {
        QRandomGenerator random(seed);
        QStringList list;
        for (qsizetype n = random.bounded(15); n > 0; --n)
            list.append(kAlphabet.at(random.bounded(kAlphabet.size())));

        const Answerer answerer(seed * 7919);
        const Run expected = pairwiseScan(list, answerer);
        const Run actual = indexedScan(list, answerer);

        const auto report = qScopeGuard([&] {
            if (QTest::currentTestFailed())
                qWarning() << "seed" << seed << "list" << list;
        });
        QCOMPARE(actual.defaults, expected.defaults);
        QCOMPARE(actual.shownLists, expected.shownLists);
        QCOMPARE(actual.highlights, expected.highlights);
        QCOMPARE(actual.progress, expected.progress);
        QCOMPARE(actual.result, expected.result);
        QCOMPARE(actual.listIndex, expected.listIndex);

        for (const QString& letter : kAlphabet)
            groupsOfThree += list.count(letter) >= 3;
        const bool reasked =
            expected.highlights.size() >
            QSet<qsizetype>(expected.highlights.begin(), expected.highlights.end()).size();
        askedAgain += reasked;
        gaveUpWhenAskedAgain += reasked && expected.result.isEmpty();
        completedWithPrompts += !expected.defaults.isEmpty() && !expected.result.isEmpty();
    }
    QVERIFY(groupsOfThree > 1000);
    QVERIFY(askedAgain > 1000);
    QVERIFY(gaveUpWhenAskedAgain > 300);
    QVERIFY(completedWithPrompts > 300);
}

QTEST_GUILESS_MAIN(TestRepeatEquivalence)
#include "test_repeat_equivalence.moc"
