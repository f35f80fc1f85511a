// The progress bar and the status bar of the main window.
#include "platform/twips.h"
#include "widgets/progress_bar.h"
#include "widgets/status_bar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

class TestBars : public QObject {
    Q_OBJECT

private slots:
    void progressStartsEmptyOutOfAHundred();
    void progressMaximumZeroIsAnEmptyBar();
    void progressKeepsEveryValueAndCatchesUp();
    void statusPanelsShowTimeAndDate();
    void statusTextPanelIsTheOnlyWritableOne();
    void statusPanelsKeepTheirDesignedWidths();
};

void TestBars::progressStartsEmptyOutOfAHundred() {
    widgets::ProgressBar bar;
    QCOMPARE(bar.progressMaximum(), 100);
    QCOMPARE(bar.progressValue(), 0);
    QCOMPARE(bar.value(), 0);
    QCOMPARE(bar.maximum(), 100);
}

void TestBars::progressMaximumZeroIsAnEmptyBar() {
    widgets::ProgressBar bar;
    bar.setMaximum(0);
    bar.setValue(0);
    QCoreApplication::processEvents();

    QCOMPARE(bar.progressMaximum(), 0);
    QCOMPARE(bar.progressValue(), 0);
    // A range of 0..0 would make Qt draw a busy animation.
    QVERIFY(bar.maximum() > bar.minimum());
    QCOMPARE(bar.value(), 0);
}

void TestBars::progressKeepsEveryValueAndCatchesUp() {
    widgets::ProgressBar bar;
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.setMaximum(100000);
    for (qint64 value = 1; value <= 100000; ++value) {
        bar.setValue(value);
        QCOMPARE(bar.progressValue(), value);
    }
    // Whatever the bar skipped while the loop held the thread, it shows the last value once the
    // event loop runs again.
    QCoreApplication::processEvents();
    QCOMPARE(bar.value(), 100000);

    bar.setValue(0);
    QCoreApplication::processEvents();
    QCOMPARE(bar.value(), 0);
}

void TestBars::statusPanelsShowTimeAndDate() {
    const QLocale locale = QLocale::system();
    const QDateTime before = QDateTime::currentDateTime();
    widgets::StatusBar bar;
    const QDateTime after = QDateTime::currentDateTime();

    const QStringList times = {locale.toString(before.time(), QLocale::ShortFormat),
                               locale.toString(after.time(), QLocale::ShortFormat)};
    const QStringList dates = {locale.toString(before.date(), QLocale::ShortFormat),
                               locale.toString(after.date(), QLocale::ShortFormat)};
    QVERIFY2(times.contains(bar.panelText(1)), qPrintable(bar.panelText(1)));
    QVERIFY2(dates.contains(bar.panelText(2)), qPrintable(bar.panelText(2)));
}

void TestBars::statusTextPanelIsTheOnlyWritableOne() {
    widgets::StatusBar bar;
    const QString time = bar.panelText(1);
    const QString date = bar.panelText(2);
    QVERIFY(bar.panelText(3).isEmpty());

    bar.setPanelText(3, u"Найдено файлов:  12"_s);
    bar.setPanelText(1, u"x"_s);
    bar.setPanelText(2, u"y"_s);

    QCOMPARE(bar.panelText(3), u"Найдено файлов:  12"_s);
    QCOMPARE(bar.panelText(1), time);
    QCOMPARE(bar.panelText(2), date);
    const QList<QLabel*> panels = bar.findChildren<QLabel*>();
    QCOMPARE(panels.size(), 3);
    for (const QLabel* panel : panels)
        QVERIFY(!panel->accessibleDescription().isEmpty());
}

void TestBars::statusPanelsKeepTheirDesignedWidths() {
    widgets::StatusBar bar;
    bar.resize(platform::toPixels(5880), platform::toPixels(315));
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    const auto* time = bar.findChild<QLabel*>(u"panel1"_s);
    const auto* date = bar.findChild<QLabel*>(u"panel2"_s);
    const auto* text = bar.findChild<QLabel*>(u"panel3"_s);

    QVERIFY(time->width() >= platform::toPixels(1000) - 2);
    QVERIFY(date->x() >= time->geometry().right());
    QVERIFY(text->x() >= date->geometry().right());
    // The text panel ends with the bar, cut off rather than hanging over its edge.
    QVERIFY(text->geometry().right() < bar.width());
    QVERIFY(text->width() > 0);
}

QTEST_MAIN(TestBars)
#include "test_bars.moc"
