// The main window: its controls wired to their handlers.
#include "frm_rename.h"

#include "about_window/form2.h"
#include "filesystem/file_list_model.h"
#include "filesystem/folder_surveyor.h"
#include "filesystem/posix_file_renamer.h"
#include "journal/folder_lock.h"
#include "main_window/file_order_menu.h"
#include "main_window/naming_page.h"
#include "main_window/selection_page.h"
#include "main_window/shown_new_names.h"
#include "main_window/traced_renamer.h"
#include "main_window/undo_action.h"
#include "main_window/undo_command.h"
#include "main_window/verdict_check.h"
#include "main_window/verdict_texts.h"
#include "main_window/window_layout.h"
#include "naming/build_new_names.h"
#include "naming/naming_checks.h"
#include "platform/stop_request.h"
#include "platform/twips.h"
#include "selection/file_selection.h"
#include "widgets/accessibility.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"
#include "widgets/frame_placement.h"
#include "widgets/icons.h"
#include "widgets/input_habits.h"
#include "widgets/progress_bar.h"
#include "widgets/status_bar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace main_window {

namespace {

Services diskServices(platform::Dialogs* dialogs, platform::FileRenamer* renamer) {
    std::unique_ptr<widgets::QtDialogs> ownDialogs;
    if (!dialogs) {
        ownDialogs = std::make_unique<widgets::QtDialogs>(nullptr);
        dialogs = ownDialogs.get();
    }
    std::unique_ptr<platform::FileRenamer> ownRenamer;
    if (!renamer) {
        ownRenamer = std::make_unique<filesystem::PosixFileRenamer>();
        renamer = ownRenamer.get();
    }
    return {*dialogs,
            *renamer,
            std::make_unique<journal::PassJournal>(),
            std::make_unique<filesystem::PosixFolderSurveyor>(),
            std::move(ownDialogs),
            std::move(ownRenamer)};
}

} // namespace

void useClassicStyle() {
    QApplication::setStyle(u"Windows"_s);
}

frmRename::frmRename(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_ownDialogs(std::move(services.ownDialogs))
    , m_ownRenamer(std::move(services.ownRenamer))
    , m_journal(std::move(services.journal))
    , m_dialogs(&services.dialogs)
    , m_renamer(&services.renamer)
    , m_tracedRenamer(std::make_unique<TracedRenamer>(services.renamer))
    , m_verdicts(std::make_unique<VerdictCheck>(
          m_newNames, std::move(services.surveyor),
          [this](const QList<renaming::Verdict>& failing) { showVerdicts(failing); }))
    , m_check(m_verdicts->generation()) {
    if (m_ownDialogs)
        m_ownDialogs->setWindow(this);
    m_shownNewNames = std::make_unique<ShownNewNames>(m_newNames, *m_dialogs,
                                                      [this] { return inputBoxPosition(); });
    widgets::installAccessibleInterfaces();
    setObjectName(u"frmRename"_s);
    setWindowTitle(u"Тарвелок"_s);
    setWindowIcon(widgets::windowIcon());
    setFixedSize(WindowLayout::clientSize());

    createControls();
    WindowLayout::orderTabStops(*this);
    connectHandlers();
    // A folder or file dragged from a file manager onto the selection page opens its folder.
    setAcceptDrops(true);

    // Centred on the screen by the outer frame.
    auto* placement = new widgets::FramePlacement(*this, [this](QSize outer) {
        QRect frame({}, outer);
        frame.moveCenter(screen()->availableGeometry().center());
        return frame.topLeft();
    });
    if (screen())
        placement->place(frameGeometry().size());

    Form_Load();
}

frmRename::frmRename(platform::Dialogs* dialogs, platform::FileRenamer* renamer, QWidget* parent)
    : frmRename(diskServices(dialogs, renamer), parent) {}

frmRename::~frmRename() = default;

void frmRename::createControls() {
    sbr1 = WindowLayout::placed(new widgets::StatusBar(this), u"sbr1"_s);
    fra1 = WindowLayout::placed(new QWidget(this), u"fra1"_s);
    fra2 = WindowLayout::placed(new QWidget(this), u"fra2"_s);

    m_selectionPage = std::make_unique<SelectionPage>(fra1);
    cmdAbout = m_selectionPage->cmdAbout;
    drvDir = m_selectionPage->drvDir;
    Dir = m_selectionPage->Dir;
    cboMask = m_selectionPage->cboMask;
    File1 = m_selectionPage->File1;
    cmdOK = m_selectionPage->cmdOK;
    cmdExit[0] = m_selectionPage->cmdExit;
    lbl1 = m_selectionPage->lbl1;

    m_namingPage = std::make_unique<NamingPage>(fra2, m_newNames);
    prb1 = m_namingPage->prb1;
    cmdLook = m_namingPage->cmdLook;
    lstNew = m_namingPage->lstNew;
    lblVerdicts = m_namingPage->lblVerdicts;
    File2 = m_namingPage->File2;
    cboEnd = m_namingPage->cboEnd;
    cboDop = m_namingPage->cboDop;
    txtName = m_namingPage->txtName;
    cmdBack = m_namingPage->cmdBack;
    cmdExit[1] = m_namingPage->cmdExit;
    cmdRename = m_namingPage->cmdRename;
    fra2->hide();
}

void frmRename::connectHandlers() {
    m_selection = std::make_unique<selection::FileSelection>(
        *drvDir, *Dir, *cboMask, *File1, *File2,
        [this](const QString& text) { sbr1->setPanelText(3, text); });
    m_busyState = std::make_unique<BusyState>(
        *this, txtName, std::vector<QComboBox*>{cboMask, cboEnd, cboDop, drvDir}, Dir);

    // The user's own clicks wait in the window system's queue while a preview or a pass holds the
    // thread, but a screen reader presses a button through a timer, which the busy window lets
    // run: such a press must not start a second pass inside the first, so it is dropped.
    const auto command = [this](QPushButton* button, const std::function<void()>& handler) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            if (!m_busyState->busy() && !m_order->reading())
                handler();
        });
    };
    command(cmdOK, [this] { cmdOK_Click(); });
    command(cmdBack, [this] { cmdBack_Click(); });
    command(cmdAbout, [this] { cmdAbout_Click(); });
    command(cmdLook, [this] { cmdLook_Click(); });
    command(cmdRename, [this] { cmdRename_Click(); });
    for (int index : {0, 1})
        command(cmdExit[index], [this, index] { cmdExit_Click(index); });

    // A click into txtName counts as a change (the event filter), and so does a choice in a combo:
    // from code it changes the index; the user's choice is reported even when it picks the item
    // already shown.
    const auto stale = &frmRename::namingParameter_Change;
    connect(txtName, &QLineEdit::textChanged, this, stale);
    txtName->installEventFilter(this);
    connect(cboEnd, &QComboBox::editTextChanged, this, stale);
    connect(cboEnd, &QComboBox::currentIndexChanged, this, stale);
    connect(cboEnd, &QComboBox::activated, this, stale);
    connect(cboDop, &QComboBox::currentTextChanged, this, stale);
    connect(cboDop, &QComboBox::currentIndexChanged, this, stale);
    connect(cboDop, &QComboBox::activated, this, stale);

    // A logout asks the application to save and quit: a pass in progress stops after its row.
    const auto ending = [this] { m_busyState->sessionEnding(); };
    connect(qApp, &QGuiApplication::commitDataRequest, this, ending);
    connect(qApp, &QCoreApplication::aboutToQuit, this, ending);

    m_undo = new UndoAction({*this, *m_busyState, *m_dialogs, *m_renamer, *prb1,
                             m_journal->directory(), [this] { return shownFolder(); },
                             [this] {
                                 // As after a pass: one set of names at a time.
                                 clearVerdicts();
                                 m_newNames.clear();
                                 File2->fileModel()->release();
                                 File1->fileModel()->refresh();
                                 File2->fileModel()->showSameAs(*File1->fileModel());
                                 cmdRename->setEnabled(false);
                                 m_selection->writeFoundFiles();
                             }},
                            {lstNew});
    connect(m_undo->action(), &QAction::triggered, this, &frmRename::undoRename);
    m_order = new FileOrderMenu({*this, *m_undo, *File1->fileModel(), *File2->fileModel(), *prb1,
                                 [this] {
                                     m_newNames.clear();
                                     namingParameter_Change();
                                 }},
                                {File1, File2});
    for (QListView* list : {static_cast<QListView*>(File1), static_cast<QListView*>(File2), lstNew})
        widgets::openMenuOnShiftF10(*list);

    // The repeat being asked about is highlighted, and scrolled into view, before its input box.
    connect(&m_newNames, &platform::NameListModel::listIndexChanged, lstNew, [this](qsizetype row) {
        const QModelIndex index = m_newNames.index(int(row));
        lstNew->setCurrentIndex(index);
        if (index.isValid())
            lstNew->scrollTo(index);
    });
}

bool frmRename::openFolder(const QString& folder) {
    // As a folder chosen in the folder view: the drive view follows and the file views re-list.
    return Dir->setPath(folder);
}

bool frmRename::focusNextPrevChild(bool next) {
    // Qt hands the focus of a control being disabled or hidden to the next one in tab order,
    // which after "Переименовать" is "Выход", where the next Space would end the program.
    const QWidget* focus = focusWidget();
    if (!focus || (focus->isEnabled() && focus->isVisible()))
        return QWidget::focusNextPrevChild(next);
    QWidget* harmless = nullptr;
    if (!fra2->isHidden())
        harmless = cmdLook;
    else if (!fra1->isHidden())
        harmless = drvDir;
    if (harmless && harmless->isEnabled())
        harmless->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmRename::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_selectionPage->droppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmRename::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_selectionPage->droppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmRename::dropEvent(QDropEvent* event) {
    const QString folder = m_selectionPage->droppedFolder(event->mimeData());
    if (!folder.isEmpty() && openFolder(folder))
        event->acceptProposedAction();
}

bool frmRename::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtName && event->type() == QEvent::MouseButtonPress)
        namingParameter_Change();
    return QWidget::eventFilter(watched, event);
}

void frmRename::closeEvent(QCloseEvent* event) {
    if (m_busyState->putOffClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

QPointF frmRename::inputBoxPosition() const {
    const QPoint corner = frameGeometry().topLeft();
    const QPointF window(platform::toTwips(corner.x()), platform::toTwips(corner.y()));
    // The box's x comes from the window's top and its y from the window's left, swapped on
    // purpose: the box stands at that offset from the window, and the dialog service moves one
    // that this puts off the screen back onto it.
    return {window.y() + 100, window.x() - 500};
}

void frmRename::Form_Load() {
    cboMask->setCurrentIndex(0);
    cboEnd->setCurrentIndex(7);
    cboDop->setCurrentIndex(0);
    m_selection->writeFoundFiles();
}

void frmRename::cmdOK_Click() {
    if (File1->fileModel()->name(0).isEmpty())
        return;
    fra1->setVisible(false);
    fra2->setVisible(true);
    m_newNames.clear();
    // Qt would leave the focus on the hidden "Далее", where Space still presses it, and the next
    // stop in tab order is "Выход": the base name is where the user goes on.
    txtName->setFocus(Qt::OtherFocusReason);
}

void frmRename::cmdBack_Click() {
    clearVerdicts();
    fra1->setVisible(true);
    fra2->setVisible(false);
    cmdRename->setEnabled(false);
    drvDir->setFocus(Qt::OtherFocusReason);
}

void frmRename::cmdExit_Click(int /*index*/) {
    close();
}

void frmRename::cmdAbout_Click() {
    about_window::Form2 about(this);
    about.exec();
}

void frmRename::cmdLook_Click() {
    clearVerdicts();
    m_newNames.clear();
    // The ending shows its dot before any warning, and its Change handler runs first.
    const QString ending = naming::endingWithDot(cboEnd->currentText());
    if (ending != cboEnd->currentText())
        cboEnd->setEditText(ending);
    whileBusy([this] {
        BuildNewNames();
        cmdRename->setEnabled(!m_newNames.item(0).isEmpty());
        // A preview renames nothing: stopped, it leaves every file as it was.
        if (platform::stopRequested())
            return File2->fileModel()->count();
        if (cmdRename->isEnabled()) {
            // Once the new names are on the screen, so that the check does not hold them up; not
            // at all when the preview has gone stale by then.
            QTimer::singleShot(0, this, [this, check = m_check] {
                if (check == m_check)
                    checkRenames();
            });
        }
        return qsizetype(0);
    });
}

void frmRename::BuildNewNames() {
    m_newNames.clear();
    // The listing as it is now, shared: the rows the names are made for stay as they are
    // whatever the window does while a repeat is asked about.
    const naming::Preview preview = naming::BuildNewNames(
        *File2->fileModel()->snapshot(),
        {txtName->text(), cboDop->currentText(), cboEnd->currentText()}, *m_shownNewNames, *prb1);
    if (preview.ending == naming::Preview::Ending::Warned)
        m_dialogs->message(preview.warning, u"ВНИМАНИЕ !!!"_s);
    else if (preview.ending == naming::Preview::Ending::GivenUp)
        m_newNames.clear();
}

void frmRename::cmdRename_Click() {
    // Refused before anything changes, so the preview stays for another try once the folder is
    // free.
    const journal::FolderLock lock(File2->fileModel()->path());
    if (lock.busy()) {
        m_dialogs->message(folderBusyText(), u"Ошибка !!!"_s);
        return;
    }
    whileBusy([this] {
        clearVerdicts();
        m_verdicts->finish();
        const renaming::PassOutcome outcome = renaming::renamePass(
            platform::renamePlan(*File2->fileModel(), m_newNames.items()),
            {*m_tracedRenamer, *prb1, *m_dialogs, m_journal.get(), m_shownNewNames.get()});
        // The new names go before the folder is read again, and File1 lets go of the old listing:
        // a large folder's new listing is then read without two sets of names beside it.
        m_newNames.clear();
        File1->fileModel()->release();
        // Both file views list one folder under one mask: File1 takes File2's reading, so a large
        // folder is read once, not twice.
        File2->fileModel()->refresh();
        prb1->setValue(0);
        File1->fileModel()->showSameAs(*File2->fileModel());
        cmdRename->setEnabled(false);
        return outcome.left;
    });
}

void frmRename::namingParameter_Change() {
    cmdRename->setEnabled(false);
    clearVerdicts();
}

void frmRename::undoRename() {
    m_undo->undoRename();
}

QString frmRename::shownFolder() const {
    return (fra2->isHidden() ? File1 : File2)->fileModel()->path();
}

void frmRename::checkRenames() {
    m_verdicts->checkRenames(File2);
}

void frmRename::showVerdicts(const QList<renaming::Verdict>& failing) {
    m_newNames.setMarks(reasonTexts(failing));
    // A check again after a change in the folder may find fewer failing rows, or none.
    if (failing.isEmpty())
        m_namingPage->clearFailingCount();
    else
        m_namingPage->showFailingCount(failing.size());
    emit verdictsShown();
}

void frmRename::clearVerdicts() {
    m_verdicts->disregard();
    m_newNames.clearMarks();
    m_namingPage->clearFailingCount();
}

} // namespace main_window
