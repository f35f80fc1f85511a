// The progress bar and the status bar of the main window.
#include "widgets/progress_bar.h"
#include "widgets/status_bar.h"

#include <QDateTime>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString panelText(const widgets::StatusBar& bar, int panel) {
    return bar.findChild<QLabel*>(u"panel"_s + QString::number(panel))->text();
}

} // namespace

class TestBars : public QObject {
    Q_OBJECT

private slots:
    void progressMaximumZeroIsAnEmptyBar();
    void progressCatchesUpWithTheLastValue();
    void statusPanelsShowTimeAndDate();
    void statusTextPanelIsTheOnlyWritableOne();
    void statusPanelsShowTimeAndDateWhole();
};

void TestBars::progressMaximumZeroIsAnEmptyBar() {
    widgets::ProgressBar bar;
    bar.setMaximum(0);
    bar.setValue(0);
    QCoreApplication::processEvents();

    // A range of 0..0 would make Qt draw a busy animation.
    QVERIFY(bar.maximum() > bar.minimum());
    QCOMPARE(bar.value(), 0);
}

void TestBars::progressCatchesUpWithTheLastValue() {
    widgets::ProgressBar bar;
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.setMaximum(100000);
    for (qint64 value = 1; value <= 100000; ++value)
        bar.setValue(value);
    // Whatever the bar skipped while the loop held the thread, it shows the last value once the
    // event loop runs again.
    QCoreApplication::processEvents();
    QCOMPARE(bar.maximum(), 100000);
    QCOMPARE(bar.value(), 100000);

    bar.setValue(0);
    QCoreApplication::processEvents();
    QCOMPARE(bar.value(), 0);
}

void TestBars::statusPanelsShowTimeAndDate() {
    const QDateTime before = QDateTime::currentDateTime();
    widgets::StatusBar bar;
    const QDateTime after = QDateTime::currentDateTime();

    // Whatever the locale's format, the time shows its minutes as two digits and the date its day.
    const QString time = panelText(bar, 1);
    const QString date = panelText(bar, 2);
    const auto minutes = [](const QDateTime& at) {
        return QString::number(at.time().minute()).rightJustified(2, u'0');
    };
    QVERIFY2(time.contains(minutes(before)) || time.contains(minutes(after)), qPrintable(time));
    QVERIFY2(date.contains(QString::number(before.date().day())) ||
                 date.contains(QString::number(after.date().day())),
             qPrintable(date));
    QVERIFY(!time.contains(date) && !date.contains(time));
}

void TestBars::statusTextPanelIsTheOnlyWritableOne() {
    widgets::StatusBar bar;
    const QString time = panelText(bar, 1);
    const QString date = panelText(bar, 2);
    QVERIFY(panelText(bar, 3).isEmpty());

    bar.setPanelText(3, u"Найдено файлов:  12"_s);
    bar.setPanelText(1, u"x"_s);
    bar.setPanelText(2, u"y"_s);

    QCOMPARE(panelText(bar, 3), u"Найдено файлов:  12"_s);
    QCOMPARE(panelText(bar, 1), time);
    QCOMPARE(panelText(bar, 2), date);
    const QList<QLabel*> panels = bar.findChildren<QLabel*>();
    QCOMPARE(panels.size(), 3);
    for (const QLabel* panel : panels)
        QVERIFY(!panel->accessibleDescription().isEmpty());
}

void TestBars::statusPanelsShowTimeAndDateWhole() {
    widgets::StatusBar bar;
    // As wide as the main window.
    bar.resize(392, 21);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    const auto* time = bar.findChild<QLabel*>(u"panel1"_s);
    const auto* date = bar.findChild<QLabel*>(u"panel2"_s);
    const auto* text = bar.findChild<QLabel*>(u"panel3"_s);

    for (const QLabel* panel : {time, date})
        QVERIFY2(panel->fontMetrics().horizontalAdvance(panel->text()) <=
                     panel->contentsRect().width(),
                 qPrintable(panel->text()));
    QVERIFY(date->x() >= time->geometry().right());
    QVERIFY(text->x() >= date->geometry().right());
    // The text panel ends with the bar, cut off rather than hanging over its edge.
    QVERIFY(text->geometry().right() < bar.width());
    QVERIFY(text->width() > 0);
}

QTEST_MAIN(TestBars)
#include "test_bars.moc"
