// The preview: generated names, the ending's dot, the warnings, progress and the prompts for
// repeats.
#include "columns.h"
#include "naming/naming_rule.h"
#include "naming/resolve_duplicate_names.h"
#include "preview.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kAskPrompt = u"Введите индивидуальное имя для файла"_s;
const QString kAskTitle = u"Имя повторяется дважды"_s;
const QString kNoName = u"Файлы остались без имени."_s;
const QString kSameName = u"Все файлы с одинаковым именем."_s;

QStringList numbered(const QString& pattern, qsizetype count, int width = 0) {
    QStringList names;
    for (qsizetype i = 1; i <= count; ++i)
        names.append(pattern.arg(i, width, 10, QLatin1Char('0')));
    return names;
}

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

    Preview preview;
    preview.File2.names = files;
    preview.parameters.baseName = baseName;
    preview.parameters.addition = addition;
    preview.parameters.ending = ending;
    preview.lstNew.addItems({u"left over"_s, u"from before"_s});

    preview.build();

    QCOMPARE(preview.lstNew.items(), names);
    QCOMPARE(preview.dialogs.calls, QList<DialogCall>());
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

    Preview preview;
    preview.File2.names = numbered(u"f%1.n%1"_s, files);
    preview.parameters.baseName = baseName;
    preview.parameters.addition = addition;
    preview.parameters.ending = ending;
    preview.lstNew.addItems({u"left over"_s});

    preview.build();

    if (warning.isEmpty()) {
        QCOMPARE(preview.dialogs.calls, QList<DialogCall>());
        QCOMPARE(preview.lstNew.count(), files);
        return;
    }
    QCOMPARE(preview.dialogs.calls,
             QList<DialogCall>({{DialogCall::Message, warning, u"ВНИМАНИЕ !!!"_s, {}, {}}}));
    QCOMPARE(preview.lstNew.count(), 0);
    QCOMPARE(preview.prb1.maximums, QList<qint64>());
    QCOMPARE(preview.prb1.values, QList<qint64>());
}

void TestBuildNewNames::progress_data() {
    QTest::addColumn<QStringList>("files");

    QTest::newRow("no files") << QStringList();
    QTest::newRow("one file") << QStringList{u"a"_s};
    QTest::newRow("three files") << QStringList{u"a"_s, u"b"_s, u"c"_s};
}

void TestBuildNewNames::progress() {
    QFETCH(QStringList, files);

    Preview preview;
    preview.File2.names = files;
    preview.build();

    // The bar fills up to one step a file, never past its end, and is empty again at the end.
    QCOMPARE(preview.prb1.maximum, files.size());
    QCOMPARE(preview.prb1.highest, files.size());
    QVERIFY(!preview.prb1.overflowed);
    QCOMPARE(preview.prb1.value, 0);
    QCOMPARE(preview.lstNew.items(), files);
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
    QTest::newRow("cancel at once") << L{A, A, B} << L{QString()} << L{A} << L() << qsizetype(-1);
    QTest::newRow("cancel when asked again clears earlier answers")
        << L{A, A, B, B} << L{x, x, QString()} << L{A, B, x} << L() << qsizetype(-1);
}

void TestBuildNewNames::repeats() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, defaults);
    QFETCH(QStringList, result);
    QFETCH(qsizetype, listIndex);

    Preview preview;
    preview.lstNew.addItems(names);
    preview.prb1.maximum = names.size(); // as the generation leaves it
    preview.dialogs.answers = answers;

    QCOMPARE(naming::ResolveDuplicateNames(preview.context()),
             !result.isEmpty() || names.isEmpty());

    QCOMPARE(preview.lstNew.items(), result);
    QCOMPARE(preview.highlighted, listIndex);
    // Settled, the bar is empty again; given up, it stays where the user left it.
    QVERIFY(!preview.prb1.overflowed);
    if (!result.isEmpty())
        QCOMPARE(preview.prb1.value, 0);
    QCOMPARE(preview.dialogs.inputDefaults(), defaults);
    QCOMPARE(preview.dialogs.answers, QStringList());
    // Window Left -300, Top 80: the box goes to x = Top + 100, y = Left - 500.
    for (const DialogCall& call : std::as_const(preview.dialogs.calls))
        QCOMPARE(call, (DialogCall{DialogCall::Input, kAskPrompt, kAskTitle, call.defaultText,
                                   QPointF(180, -800)}));
}

void TestBuildNewNames::repeatsAfterGeneration() {
    Preview preview;
    preview.File2.names = QStringList{u"a.jpg"_s, u"b.jpg"_s};
    preview.parameters.baseName = u"photo"_s;
    preview.parameters.ending = u"*"_s;
    preview.dialogs.answers = QStringList{u"photo2.jpg"_s};

    preview.build();

    QCOMPARE(preview.dialogs.inputDefaults(), QStringList{u"photo.jpg"_s});
    QCOMPARE(preview.dialogs.messages(), QStringList());
    QCOMPARE(preview.lstNew.items(), (QStringList{u"photo2.jpg"_s, u"photo.jpg"_s}));
    QCOMPARE(preview.highlighted, 0);
    QCOMPARE(preview.prb1.maximum, 2);
    QVERIFY(!preview.prb1.overflowed);
    QCOMPARE(preview.prb1.value, 0);
}

void TestBuildNewNames::beyond16BitCounts() {
    // Rows past 32,767 are numbered, padded and checked for repeats like any other.
    constexpr qsizetype kCount = 40000;
    Preview preview;
    preview.File2.names = numbered(u"f%1.jpg"_s, kCount);
    preview.parameters.baseName = u"photo"_s;
    preview.parameters.addition = u"01"_s;
    preview.build();
    QCOMPARE(preview.lstNew.count(), kCount);
    QCOMPARE(preview.lstNew.item(0), u"photo00001.jpg"_s);
    QCOMPARE(preview.lstNew.item(kCount - 1), u"photo40000.jpg"_s);
    QCOMPARE(preview.prb1.maximum, kCount);
    QCOMPARE(preview.prb1.highest, kCount);
    QVERIFY(!preview.prb1.overflowed);

    preview.File2.names[kCount - 3] = preview.File2.names.at(kCount - 1);
    preview.parameters.baseName = u"*"_s;
    preview.parameters.addition = u"-"_s;
    preview.dialogs.answers = QStringList{u"z"_s};
    preview.build();
    QCOMPARE(preview.dialogs.inputDefaults(), QStringList{u"f40000.jpg"_s});
    QCOMPARE(preview.lstNew.item(kCount - 3), u"z"_s);
    QCOMPARE(preview.highlighted, kCount - 3);
    QCOMPARE(preview.prb1.value, 0);
}

QTEST_GUILESS_MAIN(TestBuildNewNames)
#include "test_build_new_names.moc"
