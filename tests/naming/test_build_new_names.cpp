// The preview: generated names, the ending's dot, the warnings, progress and the prompts for
// repeats.
#include "columns.h"
#include "fake_new_name_list.h"
#include "fake_progress.h"
#include "naming/build_new_names.h"
#include "naming/naming_rule.h"
#include "naming/resolve_duplicate_names.h"
#include "platform/stop_request.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Ending = naming::Preview::Ending;

namespace {

const QString kNoName = u"Файлы остались без имени."_s;
const QString kSameName = u"Все файлы с одинаковым именем."_s;

QStringList numbered(const QString& pattern, qsizetype count, int width = 0) {
    QStringList names;
    for (qsizetype i = 1; i <= count; ++i)
        names.append(pattern.arg(i, width, 10, QLatin1Char('0')));
    return names;
}

/// A preview of `files`, with the window's starting texts unless told otherwise.
struct Run {
    explicit Run(QStringList files, const QStringList& answers = {},
                 naming::NamingParameters parameters = {u"*"_s, u"-"_s, u".*"_s}) {
        list.answers = answers;
        preview = naming::BuildNewNames(files, std::move(parameters), list, progress);
    }
    FakeNewNameList list;
    FakeProgress progress;
    naming::Preview preview;
};

} // namespace

class TestBuildNewNames : public QObject {
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void newNames_data();
    void newNames();
    void warnings_data();
    void warnings();
    void progress_data();
    void progress();
    void repeats_data();
    void repeats();
    void repeatsAfterGeneration();
    void stopGivesUp_data();
    void stopGivesUp();
    void beyond16BitCounts();
};

void TestBuildNewNames::numberText_data() {
    addColumns<QString, qsizetype, qsizetype, QString>({"addition", "number", "count", "text"});

    const auto row = [](const char* name, const QString& addition, qsizetype number,
                        qsizetype count, const QString& text) {
        QTest::newRow(name) << addition << number << count << text;
    };
    row("01: 1 of 1", u"01"_s, 1, 1, u"01"_s);
    row("01: 7 of 7", u"01"_s, 7, 7, u"07"_s);
    row("01: 9 of 9", u"01"_s, 9, 9, u"09"_s);
    row("01: 1 of 10", u"01"_s, 1, 10, u"01"_s);
    row("01: 1 of 12", u"01"_s, 1, 12, u"01"_s);
    row("01: 9 of 12", u"01"_s, 9, 12, u"09"_s);
    row("01: 10 of 12", u"01"_s, 10, 12, u"10"_s);
    row("01: 12 of 12", u"01"_s, 12, 12, u"12"_s);
    row("01: 1 of 100", u"01"_s, 1, 100, u"001"_s);
    row("01: 1 of 120", u"01"_s, 1, 120, u"001"_s);
    row("01: 12 of 120", u"01"_s, 12, 120, u"012"_s);
    row("01: 120 of 120", u"01"_s, 120, 120, u"120"_s);
    row("01: 7 of 100000", u"01"_s, 7, 100000, u"000007"_s);
    row("1: no padding", u"1"_s, 7, 120, u"7"_s);
    row("1: past 16 bits", u"1"_s, 40000, 40000, u"40000"_s);
    row("-: no number", u"-"_s, 7, 120, QString());
}

void TestBuildNewNames::numberText() {
    QFETCH(QString, addition);
    QFETCH(qsizetype, number);
    QFETCH(qsizetype, count);
    QFETCH(QString, text);
    const naming::NamingRule rule({u"x"_s, addition, u".t"_s}, count);
    QCOMPARE(rule.newName(u"f.jpg"_s, number), u"x"_s + text + u".t"_s);
}

void TestBuildNewNames::newNames_data() {
    addColumns<QString, QString, QString, QStringList, QStringList>(
        {"baseName", "addition", "ending", "files", "names"});

    const QStringList three{u"a.wav"_s, u"b.wav"_s, u"c.wav"_s};
    QTest::newRow("both keep markers")
        << u"*"_s << u"-"_s << u".*"_s << QStringList{u"a.txt"_s, u"b.doc"_s}
        << QStringList{u"a.txt"_s, u"b.doc"_s};
    QTest::newRow("photo 01, 12 files")
        << u"photo"_s << u"01"_s << u".jpg"_s << numbered(u"f%1.png"_s, 12)
        << numbered(u"photo%1.jpg"_s, 12, 2);
    QTest::newRow("split at the last dot")
        << u"*"_s << u"1"_s << u".*"_s << QStringList{u"x.tar.gz"_s, u"readme"_s}
        << QStringList{u"x.tar1.gz"_s, u"readme2"_s};
    QTest::newRow("ending gains its dot")
        << u"*"_s << u"-"_s << u"mp3"_s << QStringList{u"song.wav"_s} << QStringList{u"song.mp3"_s};
    QTest::newRow("base name keeps its blank")
        << u"Track "_s << u"1"_s << u".wav"_s << three
        << QStringList{u"Track 1.wav"_s, u"Track 2.wav"_s, u"Track 3.wav"_s};
    QTest::newRow("empty base name, numbered")
        << QString() << u"01"_s << u".htm"_s << three
        << QStringList{u"01.htm"_s, u"02.htm"_s, u"03.htm"_s};
    QTest::newRow("empty stem") << u"*"_s << u"1"_s << u".*"_s << QStringList{u".profile"_s}
                                << QStringList{u"1.profile"_s};
    QTest::newRow("trailing dot") << u"*"_s << u"1"_s << u".*"_s << QStringList{u"name."_s}
                                  << QStringList{u"name1."_s};
    QTest::newRow("keep marker with blanks, numbered")
        << u" * "_s << u"1"_s << u".txt"_s << QStringList{u"a.jpg"_s, u"b.png"_s}
        << QStringList{u"a1.txt"_s, u"b2.txt"_s};
    QTest::newRow("ending typed as *")
        << u"photo"_s << u"-"_s << u"*"_s << QStringList{u"a.jpg"_s, u"b.png"_s}
        << QStringList{u"photo.jpg"_s, u"photo.png"_s};
    QTest::newRow("ending keep marker with blanks")
        << u"a"_s << u"1"_s << u".*  "_s << QStringList{u"f.b"_s, u"g"_s}
        << QStringList{u"a1.b"_s, u"a2"_s};
    QTest::newRow("empty ending") << u"*"_s << u"-"_s << QString() << QStringList{u"a.txt"_s}
                                  << QStringList{u"a."_s};
    QTest::newRow("blank before the ending")
        << u"*"_s << u"-"_s << u" .txt"_s << QStringList{u"a.doc"_s} << QStringList{u"a. .txt"_s};
    QTest::newRow("fixed ending trimmed")
        << u"x"_s << u"1"_s << u".txt  "_s << QStringList{u"a"_s} << QStringList{u"x1.txt"_s};
    QTest::newRow("base name of blanks")
        << u"  "_s << u"1"_s << u".txt"_s << QStringList{u"a"_s, u"b"_s}
        << QStringList{u"  1.txt"_s, u"  2.txt"_s};
    QTest::newRow("one file, fixed name")
        << u"report"_s << u"-"_s << u".txt"_s << QStringList{u"x.doc"_s}
        << QStringList{u"report.txt"_s};
    QTest::newRow("stems outside ASCII")
        << u"*"_s << u"1"_s << u".*"_s << QStringList{u"отчёт.док"_s, u"😀.png"_s}
        << QStringList{u"отчёт1.док"_s, u"😀2.png"_s};
    QTest::newRow("cyrillic") << u"Фото"_s << u"01"_s << u".JPG"_s << QStringList{u"а.jpg"_s}
                              << QStringList{u"Фото01.JPG"_s};
    QTest::newRow("no files") << u"*"_s << u"1"_s << u".*"_s << QStringList() << QStringList();
}

void TestBuildNewNames::newNames() {
    QFETCH(QString, baseName);
    QFETCH(QString, addition);
    QFETCH(QString, ending);
    QFETCH(QStringList, files);
    QFETCH(QStringList, names);

    const Run run(files, {}, {baseName, addition, ending});

    QCOMPARE(run.preview.ending, Ending::Done);
    QCOMPARE(run.preview.names, names);
    QCOMPARE(run.list.items, names);
    QCOMPARE(run.list.asked, QStringList());
}

void TestBuildNewNames::warnings_data() {
    addColumns<QString, QString, QString, qsizetype, QString>(
        {"baseName", "addition", "ending", "files", "warning"});

    const auto row = [](const char* name, const QString& baseName, const QString& addition,
                        const QString& ending, qsizetype files, const QString& warning) {
        QTest::newRow(name) << baseName << addition << ending << files << warning;
    };
    row("empty base name", QString(), u"-"_s, u".txt"_s, 2, kNoName);
    row("empty base name, no files", QString(), u"-"_s, u".txt"_s, 0, kNoName);
    row("empty base name, ending without a dot", QString(), u"-"_s, u"txt"_s, 2, kNoName);
    row("empty base name, numbered", QString(), u"1"_s, u".txt"_s, 2, QString());
    row("same name", u"report"_s, u"-"_s, u".txt"_s, 2, kSameName);
    row("same name, ending without a dot", u"report"_s, u"-"_s, u"txt"_s, 2, kSameName);
    row("same name, one file", u"report"_s, u"-"_s, u".txt"_s, 1, QString());
    row("same name, no files", u"report"_s, u"-"_s, u".txt"_s, 0, QString());
    row("keep marker", u"*"_s, u"-"_s, u".txt"_s, 2, QString());
    row("keep marker with blanks", u" * "_s, u"-"_s, u".txt"_s, 2, kSameName);
    row("ending typed as *", u"photo"_s, u"-"_s, u"*"_s, 2, QString());
    row("ending keep marker with a blank", u"photo"_s, u"-"_s, u".* "_s, 2, kSameName);
    row("base name of blanks, one file", u"  "_s, u"-"_s, u".txt"_s, 1, QString());
}

void TestBuildNewNames::warnings() {
    QFETCH(QString, baseName);
    QFETCH(QString, addition);
    QFETCH(QString, ending);
    QFETCH(qsizetype, files);
    QFETCH(QString, warning);

    const Run run(numbered(u"f%1.n%1"_s, files), {}, {baseName, addition, ending});

    QCOMPARE(run.preview.warning, warning);
    if (warning.isEmpty()) {
        QCOMPARE(run.preview.names.size(), files);
        return;
    }
    QCOMPARE(run.preview.ending, Ending::Warned);
    QCOMPARE(run.list.items, QStringList());
    QCOMPARE(run.progress.maximums, QList<qint64>());
    QCOMPARE(run.progress.values, QList<qint64>());
}

void TestBuildNewNames::progress_data() {
    QTest::addColumn<QStringList>("files");

    QTest::newRow("no files") << QStringList();
    QTest::newRow("one file") << QStringList{u"a"_s};
    QTest::newRow("three files") << QStringList{u"a"_s, u"b"_s, u"c"_s};
}

void TestBuildNewNames::progress() {
    QFETCH(QStringList, files);

    const Run run(files);

    // The bar fills up to one step a file, never past its end, and is empty again at the end.
    QCOMPARE(run.progress.maximum, files.size());
    QCOMPARE(run.progress.highest, files.size());
    QVERIFY(!run.progress.overflowed);
    QCOMPARE(run.progress.value, 0);
    QCOMPARE(run.preview.names, files);
}

void TestBuildNewNames::repeats_data() {
    addColumns<QStringList, QStringList, QStringList, QStringList, qsizetype>(
        {"names", "answers", "defaults", "result", "listIndex"});

    using L = QStringList;
    const QString A = u"A"_s, B = u"B"_s, C = u"C"_s, D = u"D"_s, x = u"x"_s, y = u"y"_s;
    QTest::newRow("no repeats") << L{A, B, C} << L() << L() << L{A, B, C} << qsizetype(-1);
    QTest::newRow("no rows") << L() << L() << L() << L() << qsizetype(-1);
    QTest::newRow("one row") << L{A} << L() << L() << L{A} << qsizetype(-1);
    QTest::newRow("three equal: first two asked")
        << L{A, A, A} << L{x, y} << L{A, A} << L{x, y, A} << qsizetype(1);
    QTest::newRow("two pairs, in list order")
        << L{A, B, A, B} << L{x, y} << L{A, B} << L{x, y, A, B} << qsizetype(1);
    QTest::newRow("unchanged default asked again")
        << L{A, A} << L{A, x} << L{A, A} << L{x, A} << qsizetype(0);
    QTest::newRow("answer equal to a later entry")
        << L{A, A, C} << L{C, D} << L{A, C} << L{D, A, C} << qsizetype(0);
    QTest::newRow("answer equal to an earlier answer")
        << L{A, A, B, B} << L{x, x, y} << L{A, B, x} << L{x, A, y, B} << qsizetype(2);
    QTest::newRow("answer kept untrimmed")
        << L{A, A} << L{u" x "_s} << L{A} << L{u" x "_s, A} << qsizetype(0);
    QTest::newRow("letter case differs")
        << L{u"A.txt"_s, u"a.txt"_s} << L() << L() << L{u"A.txt"_s, u"a.txt"_s} << qsizetype(-1);
    QTest::newRow("blanks differ") << L{A, u"A "_s} << L() << L() << L{A, u"A "_s} << qsizetype(-1);
    QTest::newRow("cancel at once") << L{A, A, B} << L{QString()} << L{A} << L() << qsizetype(0);
    QTest::newRow("cancel when asked again gives up on earlier answers")
        << L{A, A, B, B} << L{x, x, QString()} << L{A, B, x} << L() << qsizetype(2);
}

void TestBuildNewNames::repeats() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, defaults);
    QFETCH(QStringList, result);
    QFETCH(qsizetype, listIndex);

    FakeNewNameList list;
    list.items = names;
    list.answers = answers;
    FakeProgress progress;
    progress.maximum = names.size(); // as the generation leaves it

    const std::optional<QStringList> settled = naming::ResolveDuplicateNames(names, list, progress);

    QCOMPARE(settled.has_value(), !result.isEmpty() || names.isEmpty());
    QCOMPARE(list.highlighted, listIndex);
    QCOMPARE(list.asked, defaults);
    QCOMPARE(list.answers, QStringList());
    // Settled, the bar is empty again; given up, it stays where the user left it.
    QVERIFY(!progress.overflowed);
    if (settled) {
        QCOMPARE(*settled, result);
        QCOMPARE(list.items, result);
        QCOMPARE(progress.value, 0);
    }
}

void TestBuildNewNames::repeatsAfterGeneration() {
    QStringList shownWhenAsked;
    FakeNewNameList list;
    list.answers = QStringList{u"photo2.jpg"_s};
    list.opening = [&](const QString&) { shownWhenAsked = list.items; };
    FakeProgress progress;

    const naming::Preview preview = naming::BuildNewNames(
        {u"a.jpg"_s, u"b.jpg"_s}, {u"photo"_s, u"-"_s, u"*"_s}, list, progress);

    QCOMPARE(list.asked, QStringList{u"photo.jpg"_s});
    QCOMPARE(shownWhenAsked, (QStringList{u"photo.jpg"_s, u"photo.jpg"_s}));
    QCOMPARE(preview.names, (QStringList{u"photo2.jpg"_s, u"photo.jpg"_s}));
    QCOMPARE(list.items, preview.names);
    QCOMPARE(list.highlighted, 0);
    QCOMPARE(progress.maximums, QList<qint64>{2});
    QCOMPARE(progress.values, (QList<qint64>{1, 2, 1, 0}));
}

void TestBuildNewNames::stopGivesUp_data() {
    QTest::addColumn<QStringList>("files");

    QTest::newRow("no repeats") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("a repeat") << QStringList{u"a.x"_s, u"a.y"_s};
}

// A program asked to end shows no more boxes, and leaves no names to rename by.
void TestBuildNewNames::stopGivesUp() {
    QFETCH(QStringList, files);
    platform::requestStop();
    const Run run(files, {}, {u"*"_s, u"-"_s, u".z"_s});
    platform::requestStop(false);

    QCOMPARE(run.preview.ending, Ending::GivenUp);
    QCOMPARE(run.preview.names, QStringList());
    QCOMPARE(run.list.asked, QStringList());
}

void TestBuildNewNames::beyond16BitCounts() {
    // Rows past 32,767 are numbered, padded and checked for repeats like any other.
    constexpr qsizetype kCount = 40000;
    QStringList files = numbered(u"f%1.jpg"_s, kCount);
    const Run padded(files, {}, {u"photo"_s, u"01"_s, u".*"_s});
    QCOMPARE(padded.preview.names.size(), kCount);
    QCOMPARE(padded.preview.names.at(0), u"photo00001.jpg"_s);
    QCOMPARE(padded.preview.names.at(kCount - 1), u"photo40000.jpg"_s);
    QCOMPARE(padded.progress.maximum, kCount);
    QCOMPARE(padded.progress.highest, kCount);
    QVERIFY(!padded.progress.overflowed);

    files[kCount - 3] = files.at(kCount - 1);
    const Run repeated(files, {u"z"_s});
    QCOMPARE(repeated.list.asked, QStringList{u"f40000.jpg"_s});
    QCOMPARE(repeated.preview.names.at(kCount - 3), u"z"_s);
    QCOMPARE(repeated.list.highlighted, kCount - 3);
    QCOMPARE(repeated.progress.value, 0);
}

QTEST_GUILESS_MAIN(TestBuildNewNames)
#include "test_build_new_names.moc"
