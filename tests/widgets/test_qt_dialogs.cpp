// The real dialogs: placement on the screen, and what they return when answered.
#include "columns.h"
#include "gui_support.h"
#include "widgets/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

class TestQtDialogs : public QObject {
    Q_OBJECT

private slots:
    void keepInside_data() {
        addColumns<QRect, QRect>({"rect", "placed"});
        QTest::newRow("already inside") << QRect(10, 10, 100, 50) << QRect(10, 10, 100, 50);
        QTest::newRow("negative corner") << QRect(-300, -40, 100, 50) << QRect(0, 0, 100, 50);
        QTest::newRow("past the far corner")
            << QRect(790, 590, 100, 50) << QRect(700, 550, 100, 50);
        QTest::newRow("larger than the screen") << QRect(50, 50, 900, 50) << QRect(0, 50, 900, 50);
    }
    void keepInside() {
        QFETCH(QRect, rect);
        QFETCH(QRect, placed);
        QCOMPARE(widgets::keepInside(rect, QRect(0, 0, 800, 600)), placed);
    }

    void inputReturnsTheTypedTextAndPlacesTheBoxOnScreen() {
        QWidget window;
        window.show();
        widgets::QtDialogs dialogs(&window);
        QPoint shownAt;
        ModalAnswerer answerer({[&shownAt](QWidget* dialog) {
            shownAt = dialog->pos();
            auto* edit = dialog->findChild<QLineEdit*>();
            QVERIFY(edit);
            QCOMPARE(edit->text(), u"a.txt"_s);
            edit->setText(u"новое.txt"_s);
            static_cast<QDialog*>(dialog)->accept();
        }});
        // Far off the screen to the upper left, as a window near the screen's corner gives.
        const QString answer =
            dialogs.input(u"Введите индивидуальное имя для файла"_s, u"Имя повторяется дважды"_s,
                          u"a.txt"_s, QPointF(-5000, -9000));
        QCOMPARE(answer, u"новое.txt"_s);
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY(screen.contains(shownAt));
    }

    // A name whose bytes are not UTF-8 holds escapes, which the box shows as U+FFFD. Confirmed
    // as shown or edited around its marks, the answer keeps the real bytes; with marks added or
    // removed, it is taken as typed.
    void inputShowsEscapedBytesAsMarks_data() {
        addColumns<QString, QString>({"typed", "answer"});
        const QString name = u"caf"_s + QChar(0xDCE9) + u".txt"_s;
        QTest::newRow("confirmed as shown") << u"caf\uFFFD.txt"_s << name;
        QTest::newRow("edited beside the mark")
            << u"caf\uFFFD2.txt"_s << u"caf"_s + QChar(0xDCE9) + u"2.txt"_s;
        QTest::newRow("a mark typed: as typed")
            << u"\uFFFDcaf\uFFFD.txt"_s << u"\uFFFDcaf\uFFFD.txt"_s;
    }
    void inputShowsEscapedBytesAsMarks() {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        widgets::QtDialogs dialogs(nullptr);
        QString shown;
        ModalAnswerer answerer({[&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>();
            QVERIFY(edit);
            shown = edit->text();
            edit->setText(typed);
            static_cast<QDialog*>(dialog)->accept();
        }});
        QCOMPARE(dialogs.input(u"p"_s, u"t"_s, u"caf"_s + QChar(0xDCE9) + u".txt"_s, QPointF()),
                 answer);
        QCOMPARE(shown, u"caf\uFFFD.txt"_s);
    }

    void inputCancelIsEmpty() {
        widgets::QtDialogs dialogs(nullptr);
        ModalAnswerer answerer({[](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }});
        QCOMPARE(dialogs.input(u"p"_s, u"t"_s, u"kept"_s, QPointF(0, 0)), QString());
    }

    void messageShowsPromptAndTitle() {
        widgets::QtDialogs dialogs(nullptr);
        QString seenText;
        QString seenTitle;
        // The second box quotes a new name; bytes that are not UTF-8 show as U+FFFD.
        ModalAnswerer answerer(
            {[&](QWidget* dialog) {
                 auto* box = qobject_cast<QMessageBox*>(dialog);
                 QVERIFY(box);
                 seenText = box->text();
                 seenTitle = box->windowTitle();
                 QCOMPARE(box->buttons().size(), 1);
                 box->button(QMessageBox::Ok)->click();
             },
             [&](QWidget* dialog) {
                 seenText = qobject_cast<QMessageBox*>(dialog)->text();
                 qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Ok)->click();
             }});
        dialogs.message(u"Файлы остались без имени."_s, u"ВНИМАНИЕ !!!"_s);
        QCOMPARE(seenText, u"Файлы остались без имени."_s);
        QCOMPARE(seenTitle, u"ВНИМАНИЕ !!!"_s);

        dialogs.message(u"Файл с именем "_s + QChar(0xDCFF) + u".txt уже существует"_s,
                        u"Ошибка !!!"_s);
        QCOMPARE(seenText, u"Файл с именем \uFFFD.txt уже существует"_s);
    }
};

QTEST_MAIN(TestQtDialogs)
#include "test_qt_dialogs.moc"
