// The About window: its centring arithmetic, and its opening, focus and closing over the real
// main window.
#include "about_window/form2.h"
#include "columns.h"
#include "fake_dialogs.h"
#include "gui_support.h"
#include "main_window/frm_rename.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

class TestAboutWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void centringOffset_data();
    void centringOffset();
    void centredPosition_data();
    void centredPosition();
    void opensCentredOverTheMainWindowEachTime();
    void keysOnItsButton_data();
    void keysOnItsButton();

private:
    QString m_startFolder;
};

void TestAboutWindow::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    main_window::useClassicStyle();
}

void TestAboutWindow::cleanup() {
    QCOMPARE(openWindows(), QStringList());
}

void TestAboutWindow::centringOffset_data() {
    addColumns<double, int>({"difference", "offset"});

    QTest::newRow("7 twips: half a twip dropped") << 7.0 << 3;
    QTest::newRow("-7 twips: dropped toward zero") << -7.0 << -3;
    QTest::newRow("2.5 rounds down to the even 2") << 2.5 << 1;
    QTest::newRow("3.5 rounds up to the even 4") << 3.5 << 2;
    QTest::newRow("-2.5 rounds to -2") << -2.5 << -1;
    QTest::newRow("-3.5 rounds to -4") << -3.5 << -2;
    QTest::newRow("0.5 rounds to 0") << 0.5 << 0;
    QTest::newRow("2.6 rounds to 3") << 2.6 << 1;
    QTest::newRow("a main window's worth") << 2355.0 << 1177;
}

void TestAboutWindow::centringOffset() {
    QFETCH(double, difference);
    QFETCH(int, offset);
    QCOMPARE(about_window::centringOffset(difference), offset);
}

void TestAboutWindow::centredPosition_data() {
    addColumns<QRectF, QSizeF, QPointF>({"mainWindow", "aboutWindow", "corner"});

    QTest::newRow("smaller, odd differences")
        << QRectF(1800, 1350, 5880, 6030) << QSizeF(3360, 3675) << QPointF(3060, 2527);
    QTest::newRow("larger: a negative offset, not clamped")
        << QRectF(0, 0, 3000, 3000) << QSizeF(3007, 3007) << QPointF(-3, -3);
    QTest::newRow("main window partly off the screen")
        << QRectF(-2000, -500, 5880, 6030) << QSizeF(3360, 3675) << QPointF(-740, 677);
}

void TestAboutWindow::centredPosition() {
    QFETCH(QRectF, mainWindow);
    QFETCH(QSizeF, aboutWindow);
    QFETCH(QPointF, corner);
    QCOMPARE(about_window::centredPosition(mainWindow, aboutWindow), corner);
}

void TestAboutWindow::opensCentredOverTheMainWindowEachTime() {
    QTemporaryDir folder;
    const QString start = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    FakeDialogs dialogs;
    {
        main_window::frmRename window(&dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* cmdAbout = window.findChild<QPushButton*>(u"cmdAbout"_s);

        for (const QPoint& mainCorner : {QPoint(120, 90), QPoint(400, 10)}) {
            window.move(mainCorner);
            QCOMPARE(window.frameGeometry().topLeft(), mainCorner);
            // Client areas of 392 x 402 and 224 x 245 pixels in like frames: 2520 and 2355
            // twips to spare, so offsets of 1260 and 1177 twips, that is 84 and 78.47 pixels.
            const QPoint expected = mainCorner + QPoint(84, 78);

            QPoint opened;
            QString focus;
            bool survivedEscape = false;
            ModalAnswerer answer({[&](QWidget* modal) {
                opened = modal->frameGeometry().topLeft();
                focus = modal->focusWidget() ? modal->focusWidget()->objectName() : QString();
                QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
                survivedEscape = modal->isVisible();
                QTest::keyClick(modal->focusWidget(), Qt::Key_Space);
            }});
            QTest::mouseClick(cmdAbout, Qt::LeftButton);

            QVERIFY(answer.done());
            QCOMPARE(opened, expected);
            QCOMPARE(focus, u"Command1"_s);
            QVERIFY(survivedEscape);
            QVERIFY(window.findChild<about_window::Form2*>() == nullptr);
            QVERIFY(window.findChild<QWidget*>(u"fra1"_s)->isVisible());
        }
        QVERIFY(dialogs.calls.isEmpty());
    }
    QDir::setCurrent(start);
}

void TestAboutWindow::keysOnItsButton_data() {
    addColumns<int, bool>({"key", "closes"});

    QTest::newRow("Space") << int(Qt::Key_Space) << true;
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
}

void TestAboutWindow::keysOnItsButton() {
    QFETCH(int, key);
    QFETCH(bool, closes);
    QWidget owner;
    about_window::Form2 form(&owner);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* Command1 = form.findChild<QPushButton*>(u"Command1"_s);
    QVERIFY(!Command1->isDefault());

    QTest::keyClick(Command1, Qt::Key(key));

    QCOMPARE(form.isVisible(), !closes);
    QCOMPARE(form.result(), closes ? int(QDialog::Accepted) : int(QDialog::Rejected));
}

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
