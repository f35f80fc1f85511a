// The main window during a long rename pass: it repaints, while the user's clicks, keys and a
// close from the window manager wait until the pass has ended. Input goes in through the window
// system's queue, the way a platform delivers it, not straight to a widget.
#include "fake_dialogs.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "gui_support.h"
#include "main_window/frm_rename.h"
#include "standard_error.h"
#include "widgets/file_list_view.h"
#include "widgets/progress_bar.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qwindowsysteminterface.h>

using namespace Qt::StringLiterals;
using Async = QWindowSystemInterface::AsynchronousDelivery;

namespace {

constexpr int kFiles = 40;

/// Renames on the real disk, each file taking some milliseconds, so that one pass spans several
/// repaint intervals; `beforeFile` runs before each file's rename.
class SlowRenamer final : public platform::FileRenamer {
public:
    std::function<void(int file)> beforeFile;

    int rename(const QString& folder, const QString& oldName, const QString& newName) override {
        if (beforeFile)
            beforeFile(m_files);
        ++m_files;
        QThread::msleep(8);
        return m_disk.rename(folder, oldName, newName);
    }
    void releaseFolder() override { m_disk.releaseFolder(); }

private:
    filesystem::PosixFileRenamer m_disk;
    int m_files = 0;
};

/// Counts the events of one type that reach an object.
class EventCounter final : public QObject {
public:
    explicit EventCounter(QEvent::Type type)
        : m_type(type) {}
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

enum class Input {
    ClickBack,
    KeyInName,
    Close,
    ScreenReaderPressesRename,
    ScreenReaderSetsMask,
    SessionEnds
};

} // namespace

class TestBusyWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void passRepaintsAndHoldsInput_data();
    void passRepaintsAndHoldsInput();
};

void TestBusyWindow::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    main_window::useClassicStyle();
}

void TestBusyWindow::passRepaintsAndHoldsInput_data() {
    QTest::addColumn<Input>("input");
    QTest::newRow("click on Назад") << Input::ClickBack;
    QTest::newRow("key in the base name") << Input::KeyInName;
    QTest::newRow("close from the window manager") << Input::Close;
    QTest::newRow("a screen reader presses Переименовать") << Input::ScreenReaderPressesRename;
    QTest::newRow("a screen reader sets the mask") << Input::ScreenReaderSetsMask;
    QTest::newRow("the session ends") << Input::SessionEnds;
}

void TestBusyWindow::passRepaintsAndHoldsInput() {
    QFETCH(Input, input);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList expected;
    for (int k = 1; k <= kFiles; ++k) {
        writeFile(dir.path(), u"f%1.txt"_s.arg(k, 2, 10, QChar(u'0')));
        expected.append(u"n%1.txt=f%1.txt"_s.arg(k, 2, 10, QChar(u'0')));
    }
    const QString startFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    FakeDialogs dialogs;
    SlowRenamer renamer;
    main_window::frmRename window(&dialogs, &renamer);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QDir::setCurrent(startFolder);

    child<QPushButton>(window, u"cmdOK"_s)->click();
    auto* txtName = child<QLineEdit>(window, u"txtName"_s);
    auto* cmdBack = child<QPushButton>(window, u"cmdBack"_s);
    auto* fra2 = child<QWidget>(window, u"fra2"_s);
    txtName->setText(u"n"_s);
    child<QComboBox>(window, u"cboDop"_s)->setCurrentIndex(2);
    child<QPushButton>(window, u"cmdLook"_s)->click();
    QVERIFY(txtName->hasFocus());
    QCoreApplication::processEvents();

    QWindow* handle = window.windowHandle();
    EventCounter barPaints(QEvent::Paint);
    EventCounter exposes(QEvent::Expose);
    child<widgets::ProgressBar>(window, u"prb1"_s)->installEventFilter(&barPaints);
    handle->installEventFilter(&exposes);
    int exposesBefore = -1;
    bool inputHeld = true;
    renamer.beforeFile = [&](int file) {
        if (file == 1) {
            const QPointF local = cmdBack->mapTo(&window, QPointF(cmdBack->rect().center()));
            const QPointF global = window.mapToGlobal(local);
            switch (input) {
            case Input::ClickBack:
                QWindowSystemInterface::handleMouseEvent<Async>(handle, local, global,
                                                                Qt::LeftButton, Qt::LeftButton,
                                                                QEvent::MouseButtonPress);
                QWindowSystemInterface::handleMouseEvent<Async>(handle, local, global, Qt::NoButton,
                                                                Qt::LeftButton,
                                                                QEvent::MouseButtonRelease);
                break;
            case Input::KeyInName:
                QWindowSystemInterface::handleKeyEvent<Async>(handle, QEvent::KeyPress, Qt::Key_X,
                                                              Qt::NoModifier, u"x"_s);
                QWindowSystemInterface::handleKeyEvent<Async>(handle, QEvent::KeyRelease, Qt::Key_X,
                                                              Qt::NoModifier, u"x"_s);
                break;
            case Input::Close:
                QWindowSystemInterface::handleCloseEvent<Async>(handle);
                break;
            case Input::ScreenReaderPressesRename: {
                QAccessibleInterface* button = QAccessible::queryAccessibleInterface(
                    child<QPushButton>(window, u"cmdRename"_s));
                button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                break;
            }
            case Input::ScreenReaderSetsMask:
                // A mask that would list only some of the files, were File2 re-read mid-pass.
                QAccessible::queryAccessibleInterface(
                    child<QComboBox>(window, u"cboMask"_s)->lineEdit())
                    ->setText(QAccessible::Value, u"f1*"_s);
                break;
            case Input::SessionEnds:
                QGuiApplicationPrivate::instance()->commitData();
                break;
            }
            // As if another window had covered this one and moved away again: the window puts
            // its picture back on the screen.
            exposesBefore = exposes.count;
            QWindowSystemInterface::handleExposeEvent<Async>(handle, QRegion(window.rect()));
        }
        if (file > 1)
            inputHeld =
                inputHeld && fra2->isVisible() && txtName->text() == u"n"_s && window.isVisible();
    };
    QByteArray said;
    if (input == Input::SessionEnds) {
        // The row in progress (the second) ends, and the rest stay as they were.
        expected = expected.mid(0, 2);
        for (int k = 3; k <= kFiles; ++k)
            expected.append(u"f%1.txt=f%1.txt"_s.arg(k, 2, 10, QChar(u'0')));
        expected.sort();
    }
    said = standardError([&] { child<QPushButton>(window, u"cmdRename"_s)->click(); });

    QVERIFY(inputHeld);
    QCOMPARE(dialogs.calls.size(), 0);
    QCOMPARE(folderContents(dir.path()), expected);
    // The bar moved, and the uncovered window drew, while the pass held the thread.
    if (input != Input::SessionEnds) {
        QVERIFY2(barPaints.count >= 3, qPrintable(QString::number(barPaints.count)));
        QVERIFY(exposesBefore >= 0);
        QVERIFY(exposes.count > exposesBefore);
    }

    // Held input was queued, not lost: it arrives once the window handles events again.
    QCoreApplication::processEvents();
    switch (input) {
    case Input::ClickBack:
        QVERIFY(!fra2->isVisible());
        break;
    case Input::KeyInName:
        QCOMPARE(txtName->text(), u"nx"_s);
        break;
    case Input::Close:
        QVERIFY(!window.isVisible());
        break;
    case Input::ScreenReaderPressesRename:
        QVERIFY(!child<QPushButton>(window, u"cmdRename"_s)->isEnabled());
        break;
    case Input::ScreenReaderSetsMask:
        QCOMPARE(child<QComboBox>(window, u"cboMask"_s)->currentText(), u"*.*"_s);
        QCOMPARE(child<widgets::FileListView>(window, u"File1"_s)->fileModel()->count(), kFiles);
        break;
    case Input::SessionEnds:
        QVERIFY(!window.isVisible());
        QVERIFY2(said.contains("конец сеанса: работа остановлена; файлов оставлено как было: 38"),
                 said.constData());
        break;
    }
}

QTEST_MAIN(TestBusyWindow)
#include "test_busy_window.moc"
