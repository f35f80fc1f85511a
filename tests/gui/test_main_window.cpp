// Drives the real main window on real folders: start-up, page flow, preview, rename and the
// states of the rename command.
#include "columns.h"
#include "fake_dialogs.h"
#include "folder_files.h"
#include "standard_error.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"
#include "widgets/icons.h"
#include "widgets/progress_bar.h"
#include "window_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QDropEvent>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/inotify.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using main_window::frmRename;

namespace {

/// Scripted dialogs that also note which pointer the user saw while each dialog was open.
class CursorNotingDialogs final : public platform::Dialogs {
public:
    FakeDialogs script;
    QList<Qt::CursorShape> cursors;

    void message(const QString& prompt, const QString& title) override {
        noteCursor();
        script.message(prompt, title);
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText,
                  QPointF position) override {
        noteCursor();
        return script.input(prompt, title, defaultText, position);
    }

private:
    void noteCursor() {
        for (const QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == u"frmRename"_s)
                cursors.append(window->cursor().shape());
    }
};

/// What follows a preview with a row that will fail.
enum class AfterPreview {
    Nothing,
    TypeName,
    ClickName,
    TypeEnding,
    ChooseEnding,
    ChooseAddition,
    ChooseShownAddition,
    Back,
    BackAndNext,
    Rename,
};

/// A step of the user's that points the file views at a folder or re-reads it.
enum class Step { TypeMask, ChooseFolder, Next, Back, Rename };

/// Counts the readings of a folder's entries as the kernel reports them. A reading opens the
/// folder, reads its entries and closes it; the kernel merges the reports of the reads between,
/// so each reading shows as one.
class FolderReadings {
public:
    explicit FolderReadings(const QString& folder)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                            IN_OPEN | IN_ACCESS | IN_CLOSE_NOWRITE);
    }
    ~FolderReadings() { ::close(m_fd); }
    Q_DISABLE_COPY_MOVE(FolderReadings)

    /// The readings since the last call; -1 when the kernel cannot watch the folder.
    int take() {
        if (m_fd < 0)
            return -1;
        int readings = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t size = 0;
        while ((size = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (const char* at = buffer; at < buffer + size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                // Only the folder itself: a read of a file inside it names the file.
                if ((event->mask & IN_ACCESS) && event->len == 0)
                    ++readings;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return readings;
    }

private:
    int m_fd;
};

} // namespace

class TestMainWindow : public QObject, WindowFixture {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsOnTheSelectionPage();
    void buttonsShowOnlyPictures();
    void controlsFitTheWindowWhole_data();
    void controlsFitTheWindowWhole();
    void keysOnAFocusedButton_data();
    void keysOnAFocusedButton();
    void enterElsewherePressesNoButton_data();
    void enterElsewherePressesNoButton();
    void focusStaysOnTheVisiblePageAfterARename_data();
    void focusStaysOnTheVisiblePageAfterARename();
    void wheelTurnsOnlyTheFocusedCombo_data();
    void wheelTurnsOnlyTheFocusedCombo();
    void droppedFolderOrFileOpensItsFolder_data();
    void droppedFolderOrFileOpensItsFolder();
    void combosKeepTypedTextAsTyped_data();
    void combosKeepTypedTextAsTyped();
    void tabOrder_data();
    void tabOrder();
    void nextOnAnEmptyFolderDoesNothing();
    void wholeWorkflow();
    void folderReadOncePerStep_data();
    void folderReadOncePerStep();
    void afterAPreview_data();
    void afterAPreview();
    void marksFollowTheFolder();
    void previewEndsWithNothingToRename_data();
    void previewEndsWithNothingToRename();
    void exitClosesTheWindow_data();
    void exitClosesTheWindow();
    void realDialogsAnsweredByTheUser();

private:
    void replaceText(QLineEdit* edit, const QString& text);

    CursorNotingDialogs m_dialogs;
};

void TestMainWindow::initTestCase() {
    setUpCase();
}

void TestMainWindow::init() {
    setUp();
    m_dialogs = {};
}

void TestMainWindow::cleanup() {
    tearDown();
}

void TestMainWindow::replaceText(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void TestMainWindow::startsOnTheSelectionPage() {
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.doc"_s);
    frmRename& window = openWindow(&m_dialogs);

    QCOMPARE(window.windowTitle(), u"Тарвелок"_s);
    QVERIFY(control<QWidget>(u"fra1"_s)->isVisible());
    QVERIFY(!control<QWidget>(u"fra2"_s)->isVisible());
    QVERIFY(!control<QPushButton>(u"cmdLook"_s)->isVisible());
    QCOMPARE(panelText(*m_window, 3), u"Найдено файлов:  2"_s);
    QCOMPARE(control<widgets::FileListView>(u"File1"_s)->fileModel()->count(), 2);
    QCOMPARE(control<widgets::FileListView>(u"File2"_s)->fileModel()->count(), 2);
    QVERIFY(m_dialogs.script.calls.isEmpty());
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget()->objectName(), u"drvDir"_s);

    // A window of fixed size, without minimise and maximise buttons.
    QCOMPARE(window.minimumSize(), window.size());
    QCOMPARE(window.maximumSize(), window.size());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    // The rename command starts disabled, showing the red cross instead of the notepad.
    auto* cmdRename = control<QPushButton>(u"cmdRename"_s);
    QVERIFY(!cmdRename->isEnabled());
    const QImage disabled = cmdRename->icon().pixmap(32, QIcon::Disabled).toImage();
    const QImage cross = widgets::pictureIcon(widgets::Picture::Cross).pixmap(32).toImage();
    const QImage notepad = widgets::pictureIcon(widgets::Picture::Notepad).pixmap(32).toImage();
    QCOMPARE(disabled, cross);
    QCOMPARE(cmdRename->icon().pixmap(32).toImage(), notepad);
    QCOMPARE(window.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));

    // The texts the window starts with keep every name as it is.
    goToNamingPage();
    click(u"cmdLook"_s);
    QCOMPARE(newNames(), (QStringList{u"a.txt"_s, u"b.doc"_s}));
    QVERIFY(m_dialogs.script.calls.isEmpty());
}

void TestMainWindow::buttonsShowOnlyPictures() {
    openWindow(&m_dialogs);
    const QList<QPushButton*> buttons = m_window->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 7);
    for (const QPushButton* button : buttons) {
        // A sighted user gets the picture and its tooltip; a screen reader the same words.
        QVERIFY2(button->text().isEmpty(), qPrintable(button->objectName()));
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->toolTip().isEmpty());
        QCOMPARE(button->accessibleName(), button->toolTip());
        QCOMPARE(button->iconSize(), QSize(32, 32));
        QVERIFY(button->width() > button->iconSize().width());
        QVERIFY(button->height() > button->iconSize().height());
    }
}

void TestMainWindow::controlsFitTheWindowWhole_data() {
    QTest::addColumn<bool>("namingPage");

    QTest::newRow("selection page") << false;
    QTest::newRow("naming page") << true;
}

void TestMainWindow::controlsFitTheWindowWhole() {
    QFETCH(bool, namingPage);
    writeFile(folder(), u"a.txt"_s);
    frmRename& window = openWindow(&m_dialogs);
    if (namingPage)
        goToNamingPage();
    const QWidget* page = control<QWidget>(namingPage ? u"fra2"_s : u"fra1"_s);
    const QRect statusBar = control<QWidget>(u"sbr1"_s)->geometry();

    QList<const QWidget*> shown;
    for (const QWidget* widget : page->findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty() && widget->isVisible())
            shown.append(widget);
    }
    QVERIFY(shown.size() >= 10);
    for (const QWidget* widget : shown) {
        const QString name = widget->objectName();
        const QRect onWindow(widget->mapTo(&window, QPoint()), widget->size());
        // Whole on the window and above the status bar.
        QVERIFY2(window.rect().contains(onWindow), qPrintable(name));
        QVERIFY2(onWindow.bottom() < statusBar.top(), qPrintable(name));
        for (const QWidget* other : shown) {
            if (other != widget && other->parentWidget() == widget->parentWidget())
                QVERIFY2(!widget->geometry().intersects(other->geometry()),
                         qPrintable(name + u" over "_s + other->objectName()));
        }
        // Captions, the heading and every item of a combo box shown without cutting them off.
        const QFontMetrics metrics(widget->font());
        if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.textAlignment = frame->alignment();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect caption = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                                 QStyle::SC_GroupBoxLabel, frame);
            QVERIFY2(frame->rect().contains(caption), qPrintable(name));
            QVERIFY2(metrics.horizontalAdvance(frame->title()) <= caption.width(),
                     qPrintable(name));
        }
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(name));
        // The drive view's items are the machine's mount points, not texts of the program.
        const auto* combo = qobject_cast<const QComboBox*>(widget);
        if (combo && name != u"drvDir"_s) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            for (int item = 0; item < combo->count(); ++item)
                QVERIFY2(metrics.horizontalAdvance(combo->itemText(item)) <= field.width(),
                         qPrintable(name + u": "_s + combo->itemText(item)));
        }
    }
}

void TestMainWindow::keysOnAFocusedButton_data() {
    addColumns<QString, int, int>({"button", "key", "presses"});

    QTest::newRow("Enter on Далее") << u"cmdOK"_s << int(Qt::Key_Return) << 1;
    QTest::newRow("keypad Enter on О программе") << u"cmdAbout"_s << int(Qt::Key_Enter) << 1;
    QTest::newRow("Space on Выход") << u"cmdExit(0)"_s << int(Qt::Key_Space) << 1;
    QTest::newRow("Escape on Далее") << u"cmdOK"_s << int(Qt::Key_Escape) << 0;
    QTest::newRow("Enter on Назад") << u"cmdBack"_s << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter on Просмотреть") << u"cmdLook"_s << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter on Переименовать") << u"cmdRename"_s << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter on Выход, naming page") << u"cmdExit(1)"_s << int(Qt::Key_Return) << 1;
}

void TestMainWindow::keysOnAFocusedButton() {
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, presses);
    writeFile(folder(), u"a.txt"_s);
    openWindow(&m_dialogs);
    activate();
    auto* target = control<QPushButton>(button);
    if (target->parentWidget()->objectName() == u"fra2"_s) {
        goToNamingPage();
        click(u"cmdLook"_s); // enables "Переименовать"
    }
    target->setFocus(Qt::TabFocusReason);
    QVERIFY(target->hasFocus());
    QSignalSpy pressed(target, &QPushButton::clicked);
    ModalAnswerer closeAbout(
        {[](QWidget* about) { QTest::keyClick(about->focusWidget(), Qt::Key_Space); }});

    QTest::keyClick(target, Qt::Key(key));

    QCOMPARE(pressed.count(), presses);
}

void TestMainWindow::enterElsewherePressesNoButton_data() {
    QTest::addColumn<QString>("focus");

    QTest::newRow("folder view") << u"Dir"_s;
    QTest::newRow("mask") << u"cboMask"_s;
    QTest::newRow("file view") << u"File1"_s;
    QTest::newRow("base name") << u"txtName"_s;
    QTest::newRow("ending") << u"cboEnd"_s;
    QTest::newRow("addition") << u"cboDop"_s;
}

void TestMainWindow::enterElsewherePressesNoButton() {
    QFETCH(QString, focus);
    writeFile(folder(), u"a.txt"_s);
    openWindow(&m_dialogs);
    activate();
    auto* target = control<QWidget>(focus);
    if (target->parentWidget()->parentWidget()->objectName() == u"fra2"_s)
        goToNamingPage();
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (QPushButton* button : m_window->findChildren<QPushButton*>())
        spies.append(std::make_shared<QSignalSpy>(button, &QPushButton::clicked));
    target->setFocus(Qt::TabFocusReason);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    int presses = 0;
    for (const auto& spy : spies)
        presses += int(spy->count());
    QCOMPARE(presses, 0);
    QVERIFY(m_window->isVisible());
}

void TestMainWindow::focusStaysOnTheVisiblePageAfterARename_data() {
    QTest::addColumn<int>("key");

    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Enter") << int(Qt::Key_Return);
}

void TestMainWindow::focusStaysOnTheVisiblePageAfterARename() {
    QFETCH(int, key);
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.txt"_s);
    frmRename& window = openWindow(&m_dialogs);
    activate();
    goToNamingPage();
    replaceText(control<QLineEdit>(u"txtName"_s), u"new"_s);
    QTest::keyClick(control<QComboBox>(u"cboDop"_s), Qt::Key_Down);
    click(u"cmdLook"_s);
    auto* cmdRename = control<QPushButton>(u"cmdRename"_s);
    cmdRename->setFocus(Qt::TabFocusReason);

    QTest::keyClick(cmdRename, Qt::Key(key));
    QCOMPARE(folderContents(folder()), (QStringList{u"new1.txt=a.txt"_s, u"new2.txt=b.txt"_s}));
    QVERIFY(!cmdRename->isEnabled());
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(u"cmdLook"_s));

    // The same key once more previews again instead of pressing "Выход".
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QVERIFY(window.isVisible());
    QCOMPARE(newNames(), (QStringList{u"new1.txt"_s, u"new2.txt"_s}));
}

void TestMainWindow::wheelTurnsOnlyTheFocusedCombo_data() {
    QTest::addColumn<QString>("combo");

    QTest::newRow("drive") << u"drvDir"_s;
    QTest::newRow("mask") << u"cboMask"_s;
    QTest::newRow("ending") << u"cboEnd"_s;
    QTest::newRow("addition") << u"cboDop"_s;
}

void TestMainWindow::wheelTurnsOnlyTheFocusedCombo() {
    QFETCH(QString, combo);
    writeFile(folder(), u"a.txt"_s);
    openWindow(&m_dialogs);
    activate();
    auto* box = control<QComboBox>(combo);
    const bool namingPage = box->parentWidget()->parentWidget()->objectName() == u"fra2"_s;
    if (namingPage)
        goToNamingPage();
    QWidget* elsewhere = control<QWidget>(namingPage ? u"txtName"_s : u"File1"_s);
    elsewhere->setFocus(Qt::TabFocusReason);
    const QString folderBefore = control<widgets::FileListView>(u"File1"_s)->fileModel()->path();
    const QString textBefore = box->currentText();

    // A notch of the wheel over the box, as the window system delivers it.
    const auto turn = [box] {
        const QPoint centre = box->rect().center();
        const int notch = box->currentIndex() > 0 ? 120 : -120;
        QWheelEvent wheel(centre, box->mapToGlobal(centre), {}, {0, notch}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QApplication::sendEvent(box, &wheel);
    };
    turn();
    QCOMPARE(box->currentText(), textBefore);
    QCOMPARE(control<widgets::FileListView>(u"File1"_s)->fileModel()->path(), folderBefore);
    QCOMPARE(QApplication::focusWidget(), elsewhere);

    // With the focus the wheel does turn it, so the event above did reach the box.
    if (box->count() < 2)
        QSKIP("one volume only: the drive box has nothing to turn to");
    box->setFocus(Qt::MouseFocusReason);
    turn();
    QVERIFY(box->currentText() != textBefore);
}

void TestMainWindow::droppedFolderOrFileOpensItsFolder_data() {
    addColumns<QString, bool, QString>({"dropped", "namingPage", "opened"});

    QTest::newRow("a folder") << u"photos"_s << false << u"photos"_s;
    QTest::newRow("a file") << u"photos/b.jpg"_s << false << u"photos"_s;
    QTest::newRow("a folder that has gone") << u"missing"_s << false << QString();
    QTest::newRow("onto the naming page") << u"photos"_s << true << QString();
    QTest::newRow("not a local file") << u"https://example.org/photos"_s << false << QString();
    // A file manager percent-encodes the bytes of a name that is not UTF-8.
    QTest::newRow("a folder named in Latin-1") << u"caf%E9"_s << false << u"caf"_s + QChar(0xDCE9);
}

void TestMainWindow::droppedFolderOrFileOpensItsFolder() {
    QFETCH(QString, dropped);
    QFETCH(bool, namingPage);
    QFETCH(QString, opened);
    writeFile(folder(), u"a.txt"_s);
    QVERIFY(QDir(folder()).mkdir(u"photos"_s));
    QVERIFY(makeFiles(folder(), {"caf\xE9/", "caf\xE9/a.jpg", "caf\xE9/b.jpg", "caf\xE9/c.jpg"}));
    // QTemporaryDir cannot remove a name that is not UTF-8.
    const auto removeLatin1 = qScopeGuard([this] {
        const QByteArray latin1 = QFile::encodeName(folder()) + "/caf\xE9";
        for (const char* name : {"/a.jpg", "/b.jpg", "/c.jpg"})
            ::unlink((latin1 + name).constData());
        ::rmdir(latin1.constData());
    });
    for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s})
        writeFile(folder() + u"/photos"_s, name);
    frmRename& window = openWindow(&m_dialogs);
    if (namingPage)
        goToNamingPage();
    auto* File1 = control<widgets::FileListView>(u"File1"_s);
    const QString before = File1->fileModel()->path();

    QMimeData data;
    data.setUrls({dropped.contains(u':')   ? QUrl(dropped)
                  : dropped.contains(u'%') ? QUrl(u"file://"_s + folder() + u'/' + dropped)
                                           : QUrl::fromLocalFile(folder() + u'/' + dropped)});
    // Over the mask, whose edit box would otherwise take the path as typed text.
    auto* cboMask = control<QComboBox>(u"cboMask"_s);
    const QPoint at = cboMask->mapTo(&window, cboMask->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.windowHandle(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.windowHandle(), &drop);

    QCOMPARE(cboMask->currentText(), u"*.*"_s);
    const QString expected = opened.isEmpty() ? before : folder() + u'/' + opened;
    QCOMPARE(File1->fileModel()->path(), expected);
    QCOMPARE(control<widgets::FolderView>(u"Dir"_s)->path(), expected);
    QCOMPARE(control<widgets::FileListView>(u"File2"_s)->fileModel()->path(), expected);
    if (!opened.isEmpty()) {
        QCOMPARE(File1->fileModel()->count(), 3);
        QCOMPARE(panelText(*m_window, 3), u"Найдено файлов:  3"_s);
    }
    QCOMPARE(control<QWidget>(u"fra1"_s)->isVisible(), !namingPage);
}

void TestMainWindow::combosKeepTypedTextAsTyped_data() {
    addColumns<QString, QString>({"combo", "typed"});

    // Each typed text is the start of a list item: a combo that completes would run ahead.
    QTest::newRow("mask, incomplete") << u"cboMask"_s << u"*.t"_s;
    QTest::newRow("mask, not in the list") << u"cboMask"_s << u"*.xyz"_s;
    QTest::newRow("ending, incomplete") << u"cboEnd"_s << u".ht"_s;
    QTest::newRow("ending without its dot") << u"cboEnd"_s << u"mp3"_s;
}

void TestMainWindow::combosKeepTypedTextAsTyped() {
    QFETCH(QString, combo);
    QFETCH(QString, typed);
    writeFile(folder(), u"a.txt"_s);
    frmRename& window = openWindow(&m_dialogs);
    if (combo == u"cboEnd"_s)
        goToNamingPage();
    auto* box = control<QComboBox>(combo);
    const int items = box->count();
    // Completion only runs ahead of the user in a box that has the keyboard focus.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    QVERIFY(box->lineEdit()->hasFocus());

    replaceText(box->lineEdit(), typed);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);

    QCOMPARE(box->currentText(), typed);
    QCOMPARE(box->count(), items);
}

void TestMainWindow::tabOrder_data() {
    addColumns<bool, QStringList>({"namingPage", "stops"});

    QTest::newRow("selection page")
        << false << QStringList{u"drvDir"_s,     u"Dir"_s,   u"cboMask"_s,  u"cmdOK"_s,
                                u"cmdExit(0)"_s, u"File1"_s, u"cmdAbout"_s, u"drvDir"_s};
    // cmdRename comes first while it is enabled; here it is not, so it is skipped.
    QTest::newRow("naming page") << true
                                 << QStringList{u"cmdExit(1)"_s, u"cmdBack"_s, u"txtName"_s,
                                                u"cboEnd"_s,     u"File2"_s,   u"lstNew"_s,
                                                u"cmdLook"_s,    u"cboDop"_s,  u"cmdExit(1)"_s};
}

void TestMainWindow::tabOrder() {
    QFETCH(bool, namingPage);
    QFETCH(QStringList, stops);
    writeFile(folder(), u"a.txt"_s);
    frmRename& window = openWindow(&m_dialogs);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (namingPage) {
        goToNamingPage();
        // The focus left the hidden page with it, for the base name.
        QCOMPARE(QApplication::focusWidget(), control<QWidget>(u"txtName"_s));
        click(u"cmdBack"_s);
        QCOMPARE(QApplication::focusWidget(), control<QWidget>(u"drvDir"_s));
        goToNamingPage();
    }

    control<QWidget>(stops.first())->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (qsizetype stop = 0; stop < stops.size(); ++stop) {
        QWidget* focus = QApplication::focusWidget();
        // An editable combo gives the focus to its line edit.
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget();
        visited.append(focus ? focus->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, stops);
}

void TestMainWindow::nextOnAnEmptyFolderDoesNothing() {
    openWindow(&m_dialogs);
    QCOMPARE(panelText(*m_window, 3), u"Найдено файлов:  0"_s);

    click(u"cmdOK"_s);

    QVERIFY(control<QWidget>(u"fra1"_s)->isVisible());
    QVERIFY(!control<QWidget>(u"fra2"_s)->isVisible());
    QVERIFY(m_dialogs.script.calls.isEmpty());
}

void TestMainWindow::wholeWorkflow() {
    for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"taken.txt"_s})
        writeFile(folder(), name);
    frmRename& window = openWindow(&m_dialogs);
    window.move(300, 200);

    replaceText(control<QComboBox>(u"cboMask"_s)->lineEdit(), u"*.jpg"_s);
    QCOMPARE(panelText(*m_window, 3), u"Найдено файлов:  3"_s);
    goToNamingPage();
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());

    // Three files would all be photo.jpg: the first two get individual names. The first answer
    // names a file that exists but that the mask leaves out, so its rename will fail.
    replaceText(control<QLineEdit>(u"txtName"_s), u"photo"_s);
    m_dialogs.script.answers = {u"taken.txt"_s, u"second.jpg"_s};
    click(u"cmdLook"_s);

    QCOMPARE(m_dialogs.script.inputDefaults(), (QStringList{u"photo.jpg"_s, u"photo.jpg"_s}));
    const QPoint corner = window.frameGeometry().topLeft();
    const DialogCall& ask = m_dialogs.script.calls.first();
    QCOMPARE(ask.prompt, u"Введите индивидуальное имя для файла"_s);
    QCOMPARE(ask.title, u"Имя повторяется дважды"_s);
    // The box's across position comes from the window's top, its down position from its left.
    QCOMPARE(ask.position,
             QPointF(corner.y() * 15.0 + 100, corner.x() * 15.0 - 500)); // 15 twips a pixel
    QCOMPARE(newNames(), (QStringList{u"taken.txt"_s, u"second.jpg"_s, u"photo.jpg"_s}));
    QCOMPARE(control<QListView>(u"lstNew"_s)->currentIndex().row(), 1);
    QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());
    auto* prb1 = control<widgets::ProgressBar>(u"prb1"_s);
    QCoreApplication::processEvents();
    QCOMPARE(prb1->maximum(), 3);
    QCOMPARE(prb1->value(), 0);

    m_dialogs.script.calls.clear();
    const QByteArray said = standardError([&] { click(u"cmdRename"_s); });

    // The box keeps its one text for every failure; standard error gives the real reason.
    QCOMPARE(said, "tarvelok: «" + QFile::encodeName(folder()) +
                       "/a.jpg» → «taken.txt»: " + std::strerror(EEXIST) + '\n');
    QCOMPARE(m_dialogs.script.calls,
             (QList<DialogCall>{{DialogCall::Message,
                                 u"Файл с именем taken.txt уже существует"_s,
                                 u"Ошибка !!!"_s,
                                 {},
                                 {}}}));
    QCOMPARE(folderContents(folder()),
             (QStringList{u"a.jpg=a.jpg"_s, u"photo.jpg=c.jpg"_s, u"second.jpg=b.jpg"_s,
                          u"taken.txt=taken.txt"_s}));
    // Both views show the folder as it now is; the panel keeps the count from before.
    auto* File2 = control<widgets::FileListView>(u"File2"_s);
    QCOMPARE(File2->fileModel()->count(), 3);
    QCOMPARE(control<widgets::FileListView>(u"File1"_s)->fileModel()->count(), 3);
    QCOMPARE(panelText(*m_window, 3), u"Найдено файлов:  3"_s);
    QVERIFY(newNames().isEmpty());
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
    QCoreApplication::processEvents();
    QCOMPARE(prb1->value(), 0);
    QVERIFY(control<QWidget>(u"fra2"_s)->isVisible());

    // The window showed the hourglass whenever a dialog came up, and is back to normal now.
    QCOMPARE(m_dialogs.cursors,
             (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestMainWindow::folderReadOncePerStep_data() {
    addColumns<Step, int>({"step", "readings"});

    // File2 shows File1's reading, written Path and Pattern at once.
    QTest::newRow("a mask typed") << Step::TypeMask << 1;
    // The folder view lists the subfolders too.
    QTest::newRow("a folder chosen") << Step::ChooseFolder << 2;
    QTest::newRow("Далее") << Step::Next << 0;
    QTest::newRow("Назад") << Step::Back << 0;
    // File1 takes File2's re-reading.
    QTest::newRow("a pass") << Step::Rename << 1;
}

void TestMainWindow::folderReadOncePerStep() {
    QFETCH(Step, step);
    QFETCH(int, readings);
    const QString folder = this->folder() + u"/files"_s;
    QVERIFY(QDir().mkdir(folder));
    writeFile(folder, u"a.txt"_s);
    writeFile(folder, u"b.txt"_s);
    openWindow(&m_dialogs);
    auto* Dir = control<widgets::FolderView>(u"Dir"_s);
    if (step != Step::ChooseFolder)
        QVERIFY(Dir->setPath(folder));
    if (step == Step::Back || step == Step::Rename)
        goToNamingPage();
    if (step == Step::Rename) {
        replaceText(control<QLineEdit>(u"txtName"_s), u"new"_s);
        QTest::keyClick(control<QComboBox>(u"cboDop"_s), Qt::Key_Down);
        // The check of the preview reads the folder beside the window: it is done first.
        QSignalSpy checked(m_window.get(), &frmRename::verdictsShown);
        click(u"cmdLook"_s);
        QTRY_COMPARE(checked.count(), 1);
    }

    FolderReadings read(folder);
    QCOMPARE_NE(read.take(), -1);
    switch (step) {
    case Step::TypeMask:
        control<QComboBox>(u"cboMask"_s)->setEditText(u"*.txt"_s);
        break;
    case Step::ChooseFolder:
        QVERIFY(Dir->setPath(folder));
        break;
    case Step::Next:
        goToNamingPage();
        break;
    case Step::Back:
        click(u"cmdBack"_s);
        break;
    case Step::Rename:
        click(u"cmdRename"_s);
        break;
    }
    QCoreApplication::processEvents();
    QCOMPARE(read.take(), readings);
    // And both views show the folder as it is now.
    const auto* File1 = control<widgets::FileListView>(u"File1"_s)->fileModel();
    const auto* File2 = control<widgets::FileListView>(u"File2"_s)->fileModel();
    const QString last = step == Step::Rename ? u"new2.txt"_s : u"b.txt"_s;
    QCOMPARE(File1->path(), folder);
    QCOMPARE(File2->path(), folder);
    QCOMPARE(File1->count(), 2);
    QCOMPARE(File1->name(1), last);
    QCOMPARE(File2->name(1), last);
}

void TestMainWindow::afterAPreview_data() {
    addColumns<AfterPreview, QStringList, bool, bool>(
        {"after", "names", "renameEnabled", "namingPage"});

    // Any change of a naming parameter makes the preview stale: the rename command and the
    // marks go, the names stay on the screen until the next preview.
    const QStringList names{u"x1.txt"_s, u"x2.txt"_s};
    QTest::newRow("nothing") << AfterPreview::Nothing << names << true << true;
    QTest::newRow("one character typed into the name")
        << AfterPreview::TypeName << names << false << true;
    QTest::newRow("a mere click into the name")
        << AfterPreview::ClickName << names << false << true;
    QTest::newRow("one character typed into the ending")
        << AfterPreview::TypeEnding << names << false << true;
    QTest::newRow("an ending chosen from the list")
        << AfterPreview::ChooseEnding << names << false << true;
    QTest::newRow("an addition chosen from the list")
        << AfterPreview::ChooseAddition << names << false << true;
    QTest::newRow("the shown addition chosen again")
        << AfterPreview::ChooseShownAddition << names << false << true;
    QTest::newRow("Назад: kept until the next visit")
        << AfterPreview::Back << names << false << false;
    QTest::newRow("Назад, Далее") << AfterPreview::BackAndNext << QStringList() << false << true;
    QTest::newRow("the pass") << AfterPreview::Rename << QStringList() << false << true;
}

void TestMainWindow::afterAPreview() {
    QFETCH(AfterPreview, after);
    QFETCH(QStringList, names);
    QFETCH(bool, renameEnabled);
    QFETCH(bool, namingPage);
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.txt"_s);
    QVERIFY(QDir(folder()).mkdir(u"x2.txt"_s));
    openWindow(&m_dialogs);
    goToNamingPage();
    auto* txtName = control<QLineEdit>(u"txtName"_s);
    auto* cboEnd = control<QComboBox>(u"cboEnd"_s);
    auto* cboDop = control<QComboBox>(u"cboDop"_s);
    replaceText(txtName, u"x"_s);
    cboDop->setCurrentIndex(1);
    QSignalSpy checked(m_window.get(), &frmRename::verdictsShown);
    click(u"cmdLook"_s);
    QTRY_COMPARE(checked.count(), 1);

    auto* lblVerdicts = control<QLabel>(u"lblVerdicts"_s);
    auto* prb1 = control<widgets::ProgressBar>(u"prb1"_s);
    const QAbstractItemModel* lstNew = control<QListView>(u"lstNew"_s)->model();
    QCOMPARE(newNames(), (QStringList{u"x1.txt"_s, u"x2.txt"_s}));
    QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());
    QVERIFY(lblVerdicts->isVisible());
    QVERIFY(!prb1->isVisible());
    QCOMPARE(lblVerdicts->text(), u"Не будут переименованы: 1"_s);
    const QString taken = u"Имя занято: в папке уже есть «x2.txt»"_s;
    QCOMPARE(lstNew->index(1, 0).data(Qt::ToolTipRole).toString(), taken);
    QCOMPARE(lstNew->index(1, 0).data(Qt::AccessibleDescriptionRole).toString(), taken);
    QCOMPARE(lstNew->index(0, 0).data(Qt::ToolTipRole), QVariant());

    switch (after) {
    case AfterPreview::Nothing:
        return;
    case AfterPreview::TypeName:
        QTest::keyClicks(txtName, u"y"_s);
        break;
    case AfterPreview::ClickName:
        QTest::mouseClick(txtName, Qt::LeftButton);
        QCOMPARE(txtName->text(), u"x"_s);
        break;
    case AfterPreview::TypeEnding:
        QTest::keyClicks(cboEnd->lineEdit(), u"x"_s);
        break;
    case AfterPreview::ChooseEnding:
        QTest::keyClick(cboEnd, Qt::Key_Up);
        QCOMPARE(cboEnd->currentText(), u".html"_s);
        break;
    case AfterPreview::ChooseAddition:
        QTest::keyClick(cboDop, Qt::Key_Down);
        QCOMPARE(cboDop->currentText(), u"01"_s);
        break;
    case AfterPreview::ChooseShownAddition:
        cboDop->showPopup();
        QTest::keyClick(cboDop->view(), Qt::Key_Return);
        QCOMPARE(cboDop->currentText(), u"1"_s);
        break;
    case AfterPreview::Back:
        click(u"cmdBack"_s);
        break;
    case AfterPreview::BackAndNext:
        click(u"cmdBack"_s);
        goToNamingPage();
        break;
    case AfterPreview::Rename:
        click(u"cmdRename"_s);
        QCOMPARE(m_dialogs.script.calls.size(), 1);
        break;
    }
    QCOMPARE(newNames(), names);
    QCOMPARE(control<QPushButton>(u"cmdRename"_s)->isEnabled(), renameEnabled);
    QCOMPARE(control<QWidget>(u"fra2"_s)->isVisible(), namingPage);
    QCOMPARE(control<QWidget>(u"fra1"_s)->isVisible(), !namingPage);
    QVERIFY(lblVerdicts->isHidden());
    QVERIFY(!prb1->isHidden());
    for (int row = 0; row < lstNew->rowCount(); ++row)
        QCOMPARE(lstNew->index(row, 0).data(Qt::ToolTipRole), QVariant());
}

// Another program changes the folder between the preview and the pass: the marks and their count
// follow the folder, the previewed names stay, and the pass then fails where the marks said.
void TestMainWindow::marksFollowTheFolder() {
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.txt"_s);
    QVERIFY(QDir(folder()).mkdir(u"x2.txt"_s));
    openWindow(&m_dialogs);
    goToNamingPage();
    replaceText(control<QLineEdit>(u"txtName"_s), u"x"_s);
    control<QComboBox>(u"cboDop"_s)->setCurrentIndex(1);
    QSignalSpy checked(m_window.get(), &frmRename::verdictsShown);
    click(u"cmdLook"_s);
    QTRY_COMPARE(checked.count(), 1);
    auto* lblVerdicts = control<QLabel>(u"lblVerdicts"_s);
    const QAbstractItemModel* lstNew = control<QListView>(u"lstNew"_s)->model();
    const auto mark = [lstNew](int row) {
        return lstNew->index(row, 0).data(Qt::ToolTipRole).toString();
    };
    QCOMPARE(mark(1), u"Имя занято: в папке уже есть «x2.txt»"_s);

    QVERIFY(QDir(folder()).rmdir(u"x2.txt"_s));
    QTRY_VERIFY(lblVerdicts->isHidden());
    QCOMPARE(mark(1), QString());
    writeFile(folder(), u"x1.txt"_s);
    QTRY_COMPARE(mark(0), u"Имя занято: в папке уже есть «x1.txt»"_s);
    QCOMPARE(lblVerdicts->text(), u"Не будут переименованы: 1"_s);
    QCOMPARE(newNames(), (QStringList{u"x1.txt"_s, u"x2.txt"_s}));
    QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());

    click(u"cmdRename"_s);
    QCOMPARE(QDir(folder()).entryList(QDir::Files),
             (QStringList{u"a.txt"_s, u"x1.txt"_s, u"x2.txt"_s}));
}

void TestMainWindow::previewEndsWithNothingToRename_data() {
    addColumns<QString, QString, QString, QString>({"name", "ending", "shownEnding", "warning"});

    // The ending takes its dot before the warning, and keeps it.
    QTest::newRow("one name for every file")
        << u"report"_s << u"txt"_s << u".txt"_s << u"Все файлы с одинаковым именем."_s;
    // Both files would be x.txt: the box for the first is cancelled.
    QTest::newRow("a repeat given up") << u"x"_s << u".*"_s << u".*"_s << QString();
}

void TestMainWindow::previewEndsWithNothingToRename() {
    QFETCH(QString, name);
    QFETCH(QString, ending);
    QFETCH(QString, shownEnding);
    QFETCH(QString, warning);
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.txt"_s);
    openWindow(&m_dialogs);
    goToNamingPage();

    replaceText(control<QLineEdit>(u"txtName"_s), name);
    replaceText(control<QComboBox>(u"cboEnd"_s)->lineEdit(), ending);
    m_dialogs.script.answers = {QString()};
    click(u"cmdLook"_s);

    const QList<DialogCall> warned{{DialogCall::Message, warning, u"ВНИМАНИЕ !!!"_s, {}, {}}};
    if (!warning.isEmpty())
        QCOMPARE(m_dialogs.script.calls, warned);
    else
        QCOMPARE(m_dialogs.script.inputDefaults(), QStringList{u"x.txt"_s});
    QCOMPARE(control<QComboBox>(u"cboEnd"_s)->currentText(), shownEnding);
    QVERIFY(newNames().isEmpty());
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
    QCOMPARE(folderContents(folder()), (QStringList{u"a.txt=a.txt"_s, u"b.txt=b.txt"_s}));
}

void TestMainWindow::exitClosesTheWindow_data() {
    addColumns<bool, QString>({"namingPage", "button"});

    QTest::newRow("selection page") << false << u"cmdExit(0)"_s;
    QTest::newRow("naming page") << true << u"cmdExit(1)"_s;
}

void TestMainWindow::exitClosesTheWindow() {
    QFETCH(bool, namingPage);
    QFETCH(QString, button);
    writeFile(folder(), u"a.txt"_s);
    frmRename& window = openWindow(&m_dialogs);
    if (namingPage)
        goToNamingPage();

    click(button);

    QVERIFY(!window.isVisible());
    QVERIFY(m_dialogs.script.calls.isEmpty());
}

void TestMainWindow::realDialogsAnsweredByTheUser() {
    for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"taken.txt"_s})
        writeFile(folder(), name);
    openWindow(nullptr);
    replaceText(control<QComboBox>(u"cboMask"_s)->lineEdit(), u"*.jpg"_s);
    goToNamingPage();
    replaceText(control<QLineEdit>(u"txtName"_s), u"photo"_s);

    QString asked;
    ModalAnswerer answerInput({[&](QWidget* modal) {
        auto* box = qobject_cast<QInputDialog*>(modal);
        QVERIFY(box);
        asked = box->windowTitle() + u'|' + box->labelText() + u'|' + box->textValue();
        box->setTextValue(u"taken.txt"_s);
        box->accept();
    }});
    click(u"cmdLook"_s);
    QCOMPARE(asked, u"Имя повторяется дважды|Введите индивидуальное имя для файла|photo.jpg"_s);
    QCOMPARE(newNames(), (QStringList{u"taken.txt"_s, u"photo.jpg"_s}));

    QString reported;
    ModalAnswerer answerMessage({[&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        reported = box->windowTitle() + u'|' + box->text();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }});
    click(u"cmdRename"_s);
    QCOMPARE(reported, u"Ошибка !!!|Файл с именем taken.txt уже существует"_s);
    QCOMPARE(folderContents(folder()),
             (QStringList{u"a.jpg=a.jpg"_s, u"photo.jpg=b.jpg"_s, u"taken.txt=taken.txt"_s}));
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
