// Drives the real main window on real folders: start-up, page flow, preview, rename and the
// states of the rename command.
#include "fake_dialogs.h"
#include "gui_support.h"
#include "main_window/frm_rename.h"
#include "platform/twips.h"
#include "widgets/file_list_view.h"
#include "widgets/icons.h"
#include "widgets/progress_bar.h"
#include "widgets/status_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

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

enum class Edit {
    TypeName,
    ClickName,
    TypeEnding,
    ChooseEnding,
    ChooseAddition,
    ChooseShownAddition,
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsOnTheSelectionPage();
    void pictureButtons_data();
    void pictureButtons();
    void combosKeepTypedTextAsTyped_data();
    void combosKeepTypedTextAsTyped();
    void tabOrder_data();
    void tabOrder();
    void nextOnAnEmptyFolderDoesNothing();
    void nextBackNextClearsThePreview();
    void wholeWorkflow();
    void editsDisableRename_data();
    void editsDisableRename();
    void previewWarningLeavesRenameDisabled_data();
    void previewWarningLeavesRenameDisabled();
    void exitClosesTheWindow_data();
    void exitClosesTheWindow();
    void realDialogsAnsweredByTheUser();
    void screenshots();

private:
    frmRename& openWindow(platform::Dialogs* dialogs);
    template <class Widget> Widget* control(const QString& name) {
        return child<Widget>(*m_window, name);
    }
    QString folder() const { return m_folder->path(); }
    void click(const QString& button);
    void replaceText(QLineEdit* edit, const QString& text);
    void goToNamingPage();
    QStringList newNames();

    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_folder;
    CursorNotingDialogs m_dialogs;
    std::unique_ptr<frmRename> m_window;
};

void TestMainWindow::initTestCase() {
    // Closing the window ends the program; here the next test still needs the event loop.
    QApplication::setQuitOnLastWindowClosed(false);
    main_window::useClassicStyle();
    m_startFolder = QDir::currentPath();
}

void TestMainWindow::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    // The window starts in the current folder, as the program does.
    QVERIFY(QDir::setCurrent(m_folder->path()));
    m_dialogs = {};
}

void TestMainWindow::cleanup() {
    m_window.reset();
    QDir::setCurrent(m_startFolder);
    m_folder.reset();
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QStringList leftOver;
    for (const QWidget* window : QApplication::topLevelWidgets())
        leftOver.append(QString::fromLatin1(window->metaObject()->className()));
    QCOMPARE(leftOver, QStringList());
}

frmRename& TestMainWindow::openWindow(platform::Dialogs* dialogs) {
    m_window = std::make_unique<frmRename>(dialogs);
    m_window->show();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(m_window.get());
    return *m_window;
}

void TestMainWindow::click(const QString& button) {
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
}

void TestMainWindow::replaceText(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void TestMainWindow::goToNamingPage() {
    click(u"cmdOK"_s);
    QVERIFY(control<QWidget>(u"fra2"_s)->isVisible());
}

QStringList TestMainWindow::newNames() {
    QStringList names;
    const QAbstractItemModel* model = control<QListView>(u"lstNew"_s)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, 0).data().toString());
    return names;
}

void TestMainWindow::startsOnTheSelectionPage() {
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.doc"_s);
    frmRename& window = openWindow(&m_dialogs);

    QCOMPARE(window.windowTitle(), u"Тарвелок"_s);
    QVERIFY(control<QWidget>(u"fra1"_s)->isVisible());
    QVERIFY(!control<QWidget>(u"fra2"_s)->isVisible());
    QVERIFY(!control<QPushButton>(u"cmdLook"_s)->isVisible());
    QCOMPARE(control<QComboBox>(u"cboMask"_s)->currentText(), u"*.*"_s);
    QCOMPARE(control<QComboBox>(u"cboEnd"_s)->currentText(), u".*"_s);
    QCOMPARE(control<QComboBox>(u"cboDop"_s)->currentText(), u"-"_s);
    QCOMPARE(control<QLineEdit>(u"txtName"_s)->text(), u"*"_s);
    QCOMPARE(control<widgets::StatusBar>(u"sbr1"_s)->panelText(3), u"Найдено файлов:  2"_s);
    QCOMPARE(control<widgets::FileListView>(u"File1"_s)->fileModel()->count(), 2);
    QCOMPARE(control<widgets::FileListView>(u"File2"_s)->fileModel()->count(), 2);
    QVERIFY(m_dialogs.script.calls.isEmpty());
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget()->objectName(), u"drvDir"_s);

    // A fixed window of the designed client size, without minimise and maximise buttons.
    const QSize client(platform::toPixels(5880), platform::toPixels(6030));
    QCOMPARE(window.size(), client);
    QCOMPARE(window.minimumSize(), client);
    QCOMPARE(window.maximumSize(), client);
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
}

void TestMainWindow::pictureButtons_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("page");

    QTest::newRow("about") << u"cmdAbout"_s << u"О программе"_s << u"fra1"_s;
    QTest::newRow("next") << u"cmdOK"_s << u"Далее"_s << u"fra1"_s;
    QTest::newRow("exit, selection page") << u"cmdExit(0)"_s << u"Выход"_s << u"fra1"_s;
    QTest::newRow("back") << u"cmdBack"_s << u"Назад"_s << u"fra2"_s;
    QTest::newRow("preview") << u"cmdLook"_s << u"Просмотреть"_s << u"fra2"_s;
    QTest::newRow("rename") << u"cmdRename"_s << u"Переименовать"_s << u"fra2"_s;
    QTest::newRow("exit, naming page") << u"cmdExit(1)"_s << u"Выход"_s << u"fra2"_s;
}

void TestMainWindow::pictureButtons() {
    QFETCH(QString, name);
    QFETCH(QString, tooltip);
    QFETCH(QString, page);
    openWindow(&m_dialogs);

    auto* button = control<QPushButton>(name);
    QVERIFY(button);
    QCOMPARE(button->parentWidget()->objectName(), page);
    QCOMPARE(button->toolTip(), tooltip);
    QCOMPARE(button->accessibleName(), tooltip);
    QVERIFY(button->text().isEmpty());
    QVERIFY(!button->icon().isNull());
    QCOMPARE(button->iconSize(), QSize(32, 32));
    QCOMPARE(button->size(), QSize(platform::toPixels(650), platform::toPixels(650)));
    // Enter and Escape trigger no button of the window.
    QVERIFY(!button->isDefault());
    QVERIFY(!button->autoDefault());
}

void TestMainWindow::combosKeepTypedTextAsTyped_data() {
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("typed");

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
    QTest::addColumn<bool>("namingPage");
    QTest::addColumn<QStringList>("stops");

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
    QCOMPARE(control<widgets::StatusBar>(u"sbr1"_s)->panelText(3), u"Найдено файлов:  0"_s);

    click(u"cmdOK"_s);

    QVERIFY(control<QWidget>(u"fra1"_s)->isVisible());
    QVERIFY(!control<QWidget>(u"fra2"_s)->isVisible());
    QVERIFY(m_dialogs.script.calls.isEmpty());
}

void TestMainWindow::nextBackNextClearsThePreview() {
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.txt"_s);
    openWindow(&m_dialogs);
    goToNamingPage();
    click(u"cmdLook"_s);
    QCOMPARE(newNames(), (QStringList{u"a.txt"_s, u"b.txt"_s}));
    QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());

    click(u"cmdBack"_s);
    QVERIFY(control<QWidget>(u"fra1"_s)->isVisible());
    QVERIFY(!control<QWidget>(u"fra2"_s)->isVisible());
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
    QCOMPARE(newNames().size(), 2); // kept until the next visit

    goToNamingPage();
    QVERIFY(newNames().isEmpty());
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
}

void TestMainWindow::wholeWorkflow() {
    for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"taken.txt"_s})
        writeFile(folder(), name);
    frmRename& window = openWindow(&m_dialogs);
    window.move(300, 200);

    replaceText(control<QComboBox>(u"cboMask"_s)->lineEdit(), u"*.jpg"_s);
    QCOMPARE(control<widgets::StatusBar>(u"sbr1"_s)->panelText(3), u"Найдено файлов:  3"_s);
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
             QPointF(platform::toTwips(corner.y()) + 100, platform::toTwips(corner.x()) - 500));
    QCOMPARE(newNames(), (QStringList{u"taken.txt"_s, u"second.jpg"_s, u"photo.jpg"_s}));
    QCOMPARE(control<QListView>(u"lstNew"_s)->currentIndex().row(), 1);
    QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());
    auto* prb1 = control<widgets::ProgressBar>(u"prb1"_s);
    QCOMPARE(prb1->progressMaximum(), 3);
    QCOMPARE(prb1->progressValue(), 0);

    m_dialogs.script.calls.clear();
    click(u"cmdRename"_s);

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
    QCOMPARE(control<widgets::StatusBar>(u"sbr1"_s)->panelText(3), u"Найдено файлов:  3"_s);
    QVERIFY(newNames().isEmpty());
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
    QCOMPARE(prb1->progressValue(), 0);
    QVERIFY(control<QWidget>(u"fra2"_s)->isVisible());

    // The window showed the hourglass whenever a dialog came up, and is back to normal now.
    QCOMPARE(m_dialogs.cursors,
             (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestMainWindow::editsDisableRename_data() {
    QTest::addColumn<Edit>("edit");

    QTest::newRow("one character typed into the name") << Edit::TypeName;
    QTest::newRow("a mere click into the name") << Edit::ClickName;
    QTest::newRow("one character typed into the ending") << Edit::TypeEnding;
    QTest::newRow("an ending chosen from the list") << Edit::ChooseEnding;
    QTest::newRow("an addition chosen from the list") << Edit::ChooseAddition;
    QTest::newRow("the shown addition chosen again") << Edit::ChooseShownAddition;
}

void TestMainWindow::editsDisableRename() {
    QFETCH(Edit, edit);
    writeFile(folder(), u"a.txt"_s);
    openWindow(&m_dialogs);
    goToNamingPage();
    click(u"cmdLook"_s);
    auto* cmdRename = control<QPushButton>(u"cmdRename"_s);
    QVERIFY(cmdRename->isEnabled());

    auto* txtName = control<QLineEdit>(u"txtName"_s);
    auto* cboEnd = control<QComboBox>(u"cboEnd"_s);
    auto* cboDop = control<QComboBox>(u"cboDop"_s);
    switch (edit) {
    case Edit::TypeName:
        QTest::keyClicks(txtName, u"x"_s);
        break;
    case Edit::ClickName:
        QTest::mouseClick(txtName, Qt::LeftButton);
        QCOMPARE(txtName->text(), u"*"_s);
        break;
    case Edit::TypeEnding:
        QTest::keyClicks(cboEnd->lineEdit(), u"x"_s);
        break;
    case Edit::ChooseEnding:
        QTest::keyClick(cboEnd, Qt::Key_Up);
        QCOMPARE(cboEnd->currentText(), u".html"_s);
        break;
    case Edit::ChooseAddition:
        QTest::keyClick(cboDop, Qt::Key_Down);
        QCOMPARE(cboDop->currentText(), u"1"_s);
        break;
    case Edit::ChooseShownAddition:
        cboDop->showPopup();
        QTest::keyClick(cboDop->view(), Qt::Key_Return);
        QCOMPARE(cboDop->currentText(), u"-"_s);
        break;
    }
    QVERIFY(!cmdRename->isEnabled());
}

void TestMainWindow::previewWarningLeavesRenameDisabled_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("warning");

    QTest::newRow("no name and no number")
        << QString() << u".*"_s << u"Файлы остались без имени."_s;
    QTest::newRow("one name for every file")
        << u"report"_s << u".txt"_s << u"Все файлы с одинаковым именем."_s;
}

void TestMainWindow::previewWarningLeavesRenameDisabled() {
    QFETCH(QString, name);
    QFETCH(QString, ending);
    QFETCH(QString, warning);
    writeFile(folder(), u"a.txt"_s);
    writeFile(folder(), u"b.txt"_s);
    openWindow(&m_dialogs);
    goToNamingPage();

    replaceText(control<QLineEdit>(u"txtName"_s), name);
    replaceText(control<QComboBox>(u"cboEnd"_s)->lineEdit(), ending);
    click(u"cmdLook"_s);

    QCOMPARE(m_dialogs.script.messages(), QStringList{warning});
    QCOMPARE(m_dialogs.script.calls.first().title, u"ВНИМАНИЕ !!!"_s);
    QVERIFY(newNames().isEmpty());
    QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
    QCOMPARE(folderContents(folder()), (QStringList{u"a.txt=a.txt"_s, u"b.txt=b.txt"_s}));
}

void TestMainWindow::exitClosesTheWindow_data() {
    QTest::addColumn<bool>("namingPage");
    QTest::addColumn<QString>("button");

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

void TestMainWindow::screenshots() {
    // Run by hand under xvfb-run with TARVELOK_SCREENSHOTS=<folder> to refresh the pictures of
    // the documentation.
    const QString target = qEnvironmentVariable("TARVELOK_SCREENSHOTS");
    if (target.isEmpty())
        QSKIP("TARVELOK_SCREENSHOTS is not set");
    QDir(folder()).mkdir(u"Музыка"_s);
    const QString music = QDir(folder()).filePath(u"Музыка"_s);
    for (const QString& name : {u"01 - Вступление.mp3"_s, u"02 - Дорога.mp3"_s, u"03 - Река.mp3"_s,
                                u"04 - Город.mp3"_s, u"05 - Финал.mp3"_s, u"обложка.jpg"_s})
        writeFile(music, name);
    QVERIFY(QDir::setCurrent(music));
    frmRename& window = openWindow(&m_dialogs);
    QApplication::processEvents();
    QVERIFY(window.grab().save(QDir(target).filePath(u"main.png"_s)));

    replaceText(control<QComboBox>(u"cboMask"_s)->lineEdit(), u"*.mp3"_s);
    goToNamingPage();
    control<QLineEdit>(u"txtName"_s)->setText(u"Песня "_s);
    QTest::keyClick(control<QComboBox>(u"cboDop"_s), Qt::Key_End);
    click(u"cmdLook"_s);
    control<QListView>(u"lstNew"_s)->setCurrentIndex({});
    QApplication::processEvents();
    QVERIFY(window.grab().save(QDir(target).filePath(u"naming.png"_s)));

    ModalAnswerer grabAbout({[&](QWidget* about) {
        QVERIFY(about->grab().save(QDir(target).filePath(u"about.png"_s)));
        QTest::keyClick(about->focusWidget(), Qt::Key_Space);
    }});
    click(u"cmdAbout"_s);
    QVERIFY(grabAbout.done());
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
