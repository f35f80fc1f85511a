// The main window.
#include "frm_rename.h"

#include "about_window/form2.h"
#include "filesystem/file_list_model.h"
#include "filesystem/folder_lister.h"
#include "filesystem/folder_surveyor.h"
#include "filesystem/posix_file_renamer.h"
#include "journal/journal.h"
#include "main_window/ending_signals.h"
#include "main_window/shown_new_names.h"
#include "main_window/traced_renamer.h"
#include "main_window/undo_command.h"
#include "naming/naming_checks.h"
#include "platform/file_names.h"
#include "platform/stop_request.h"
#include "platform/twips.h"
#include "renaming/verdicts.h"
#include "selection/file_selection.h"
#include "widgets/accessibility.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"
#include "widgets/fonts.h"
#include "widgets/frame_placement.h"
#include "widgets/icons.h"
#include "widgets/input_habits.h"
#include "widgets/marked_rows.h"
#include "widgets/progress_bar.h"
#include "widgets/qt_dialogs.h"
#include "widgets/status_bar.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace main_window {

namespace {

// Every control's place on the window, in twips relative to its container, with its tab index.
struct Placement {
    QStringView name;
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
};

constexpr Placement kLayout[] = {
    {u"sbr1", 0, 5715, 5880, 315, 28},         {u"fra1", 0, 0, 5895, 5655, 0},
    {u"lbl1", 120, 120, 5595, 255, 11},        {u"fraDir", 60, 480, 2775, 3435, 10},
    {u"drvDir", 120, 300, 2520, 315, 1},       {u"Dir", 120, 720, 2520, 2565, 2},
    {u"fraMask", 60, 3960, 2775, 855, 9},      {u"cboMask", 120, 300, 2535, 315, 3},
    {u"fraFile1", 2880, 480, 2955, 4335, 8},   {u"File1", 120, 300, 2715, 3795, 6},
    {u"cmdAbout", 60, 4920, 650, 650, 7},      {u"cmdOK", 4380, 4920, 650, 650, 4},
    {u"cmdExit(0)", 5160, 4920, 650, 650, 5},  {u"fra2", 0, 0, 5955, 5595, 12},
    {u"fraName", 60, 240, 2475, 795, 16},      {u"txtName", 120, 300, 2235, 315, 17},
    {u"fraDop", 2640, 240, 1095, 795, 18},     {u"cboDop", 120, 300, 855, 315, 26},
    {u"fraEnd", 3960, 240, 1875, 795, 19},     {u"cboEnd", 120, 300, 1635, 315, 20},
    {u"FraFile2", 60, 1200, 2835, 3615, 21},   {u"File2", 120, 300, 2595, 3210, 22},
    {u"fraNew", 3000, 1200, 2835, 3615, 23},   {u"lstNew", 120, 300, 2595, 3180, 24},
    {u"prb1", 120, 5100, 2535, 375, 27},       {u"cmdBack", 2820, 4920, 650, 650, 15},
    {u"cmdLook", 3600, 4920, 650, 650, 25},    {u"cmdRename", 4380, 4920, 650, 650, 13},
    {u"cmdExit(1)", 5160, 4920, 650, 650, 14}, {u"lblVerdicts", 60, 5100, 2700, 375, 29},
};

constexpr int kClientWidth = 5880;
constexpr int kClientHeight = 6030;
constexpr qreal kFramePointSize = 9.75;
constexpr int kPictureSize = 32;

const Placement& placementOf(QStringView name) {
    const auto* row = std::find_if(std::begin(kLayout), std::end(kLayout),
                                   [name](const Placement& p) { return p.name == name; });
    // A control missing from the table is a mistake in this file: stop at once, in every build.
    if (row == std::end(kLayout))
        qFatal("no placement for %s", qPrintable(name.toString()));
    return *row;
}

/// Names the control and puts it where the layout table says.
template <class Widget> Widget* placed(Widget* widget, const QString& name) {
    using platform::toPixels;
    const Placement& p = placementOf(name);
    widget->setObjectName(name);
    widget->setGeometry(toPixels(p.left), toPixels(p.top), toPixels(p.width), toPixels(p.height));
    return widget;
}

/// A combo box that leaves the user's typing alone: no completion that would type ahead of the
/// user, no list items added by pressing Enter, and no current item until one is chosen. An
/// editable combo starts out showing its own name; Form_Load replaces it with the start-up
/// item before the window is first shown, so the seed is only seen by code that runs earlier.
QComboBox* comboBox(QWidget* parent, bool editable, const QStringList& items,
                    const QString& initialText) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(editable);
    combo->addItems(items);
    if (editable) {
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    combo->setCurrentIndex(-1);
    if (editable)
        combo->setEditText(initialText);
    return combo;
}

/// What the controls of both pages hold while a preview or a pass runs. The busy window lets a
/// screen reader's requests through, which may set a text, a value or an item: their change
/// handlers are held off (a mask set mid-pass would re-read File2 under the pass), and at the end
/// every control gets back what it held, so the request is dropped as a click is.
class HeldControls {
public:
    HeldControls(QLineEdit* txtName, std::initializer_list<QComboBox*> combos,
                 QAbstractItemView* Dir)
        : m_txtName(txtName)
        , m_text(txtName->text())
        , m_Dir(Dir)
        , m_folder(Dir->currentIndex()) {
        m_blockers.emplace_back(txtName);
        m_blockers.emplace_back(Dir);
        for (QComboBox* combo : combos) {
            m_combos.push_back({combo, combo->currentIndex(), combo->currentText()});
            m_blockers.emplace_back(combo);
        }
    }
    ~HeldControls() {
        if (m_txtName->text() != m_text)
            m_txtName->setText(m_text);
        for (const Combo& held : m_combos) {
            if (held.combo->currentIndex() != held.index)
                held.combo->setCurrentIndex(held.index);
            if (held.combo->isEditable() && held.combo->currentText() != held.text)
                held.combo->setEditText(held.text);
        }
        if (m_Dir->currentIndex() != m_folder)
            m_Dir->setCurrentIndex(m_folder);
    }
    Q_DISABLE_COPY_MOVE(HeldControls)

private:
    struct Combo {
        QComboBox* combo;
        int index;
        QString text;
    };
    QLineEdit* m_txtName;
    QString m_text;
    QAbstractItemView* m_Dir;
    QPersistentModelIndex m_folder;
    std::vector<Combo> m_combos;
    std::vector<QSignalBlocker> m_blockers;
};

/// What the user reads on a row whose rename will fail.
QString reasonText(const renaming::Verdict& verdict) {
    using renaming::Cause;
    const QString name = platform::shownFileName(verdict.name);
    switch (verdict.cause) {
    case Cause::NameTaken:
        return u"Имя занято: в папке уже есть «"_s + name + u'»';
    case Cause::NameForbidden:
        return u"Такое имя запрещено на этом диске"_s;
    case Cause::NameTooLong:
        return u"Имя длиннее, чем позволяет диск"_s;
    case Cause::FolderReadOnly:
        return u"Нет права на запись в папку"_s;
    case Cause::SameIgnoringCase:
        return u"На этом диске совпадёт с «"_s + name + u"»: регистр букв не различается"_s;
    case Cause::FolderUnreadable:
        return u"Нет доступа к папке"_s;
    case Cause::FileGone:
        return u"Файла «"_s + name + u"» больше нет в папке"_s;
    case Cause::NotAFile:
        return u"«"_s + name + u"» теперь не файл"_s;
    }
    return {};
}

} // namespace

void useClassicStyle() {
    QApplication::setStyle(u"Windows"_s);
}

frmRename::frmRename(platform::Dialogs* dialogs, platform::FileRenamer* renamer, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_dialogs(dialogs)
    , m_renamer(renamer) {
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<widgets::QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    if (!m_renamer) {
        m_ownRenamer = std::make_unique<filesystem::PosixFileRenamer>();
        m_renamer = m_ownRenamer.get();
    }
    m_tracedRenamer = std::make_unique<TracedRenamer>(*m_renamer);
    m_shownNewNames = std::make_unique<ShownNewNames>(m_newNames, *m_dialogs,
                                                      [this] { return inputBoxPosition(); });
    m_journal = std::make_unique<journal::PassJournal>();
    m_surveyor = std::make_unique<filesystem::PosixFolderSurveyor>();
    m_checks.setMaxThreadCount(1);

    widgets::installAccessibleInterfaces();
    setObjectName(u"frmRename"_s);
    setWindowTitle(u"Тарвелок"_s);
    setWindowIcon(widgets::windowIcon());
    setFixedSize(platform::toPixels(kClientWidth), platform::toPixels(kClientHeight));

    createControls();
    orderTabStops();
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

frmRename::~frmRename() {
    // A check still running reads only its own copies, but reports to this window.
    m_checks.clear();
    m_checks.waitForDone();
}

void frmRename::createControls() {
    sbr1 = placed(new widgets::StatusBar(this), u"sbr1"_s);
    fra1 = placed(new QWidget(this), u"fra1"_s);
    fra2 = placed(new QWidget(this), u"fra2"_s);
    createSelectionPage();
    createNamingPage();
    fra2->hide();
}

QPushButton* frmRename::createButton(QWidget* page, const QString& name, const QString& tooltip,
                                     const QIcon& icon) {
    auto* button = placed(new QPushButton(page), name);
    button->setFont(widgets::windowFont(kFramePointSize));
    button->setIcon(icon);
    button->setIconSize({kPictureSize, kPictureSize});
    button->setToolTip(tooltip);
    // The picture is all a sighted user gets; a screen reader gets the tooltip's words.
    button->setAccessibleName(tooltip);
    button->setAutoDefault(false);
    button->setDefault(false);
    widgets::pressOnEnter(*button);
    return button;
}

QGroupBox* frmRename::createFrame(QWidget* page, const QString& name, const QString& caption) {
    auto* frame = placed(new QGroupBox(caption, page), name);
    frame->setFont(widgets::windowFont(kFramePointSize));
    return frame;
}

void frmRename::createSelectionPage() {
    using widgets::Picture;
    const QFont controlFont = widgets::dialogFont();

    cmdAbout = createButton(fra1, u"cmdAbout"_s, u"О программе"_s,
                            widgets::pictureIcon(Picture::Question));

    QGroupBox* fraDir = createFrame(fra1, u"fraDir"_s, u"Директория"_s);
    drvDir = placed(new widgets::DriveView(fraDir), u"drvDir"_s);
    Dir = placed(new widgets::FolderView(fraDir), u"Dir"_s);

    QGroupBox* fraMask = createFrame(fra1, u"fraMask"_s, u"Маска"_s);
    cboMask = placed(comboBox(fraMask, true,
                              {u"*.*"_s, u"*.txt"_s, u"*.mp3"_s, u"*.wav"_s, u"*.jpg"_s, u"*.bmp"_s,
                               u"*.htm"_s, u"*.html"_s},
                              u"cboMask"_s),
                     u"cboMask"_s);

    QGroupBox* fraFile1 = createFrame(fra1, u"fraFile1"_s, u"Файлы"_s);
    File1 = placed(new widgets::FileListView(fraFile1), u"File1"_s);

    cmdOK = createButton(fra1, u"cmdOK"_s, u"Далее"_s, widgets::pictureIcon(Picture::ArrowRight));
    cmdExit[0] =
        createButton(fra1, u"cmdExit(0)"_s, u"Выход"_s, widgets::pictureIcon(Picture::Door));

    lbl1 = placed(new QLabel(u"Выберите файлы для переименования"_s, fra1), u"lbl1"_s);
    lbl1->setFont(widgets::windowFont(kFramePointSize));
    lbl1->setAlignment(Qt::AlignCenter);

    widgets::setFonts(controlFont, drvDir, Dir, cboMask, File1);
    widgets::takeWheelOnlyWithFocus(*drvDir);
    widgets::takeWheelOnlyWithFocus(*cboMask);
    // A dropped folder is a place to go, not text to type into the mask.
    cboMask->lineEdit()->setAcceptDrops(false);
    drvDir->setAccessibleName(u"Диск"_s);
    Dir->setAccessibleName(fraDir->title());
    cboMask->setAccessibleName(fraMask->title());
    // The edit field takes the focus a screen reader reports; it is the same box to the user.
    cboMask->lineEdit()->setAccessibleName(fraMask->title());
    File1->setAccessibleName(fraFile1->title());
}

void frmRename::createNamingPage() {
    using widgets::Picture;
    const QFont controlFont = widgets::dialogFont();

    prb1 = placed(new widgets::ProgressBar(fra2), u"prb1"_s);
    cmdLook = createButton(fra2, u"cmdLook"_s, u"Просмотреть"_s,
                           widgets::pictureIcon(Picture::Magnifier));

    QGroupBox* fraNew = createFrame(fra2, u"fraNew"_s, u"Переименованные"_s);
    lstNew = placed(new QListView(fraNew), u"lstNew"_s);
    lstNew->setModel(&m_newNames);
    lstNew->setUniformItemSizes(true);
    lstNew->setSelectionMode(QAbstractItemView::SingleSelection);
    lstNew->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstNew->setItemDelegate(new widgets::MarkedRowDelegate(lstNew));

    // The count of rows that will fail takes the bar's place between a preview and a pass.
    lblVerdicts = placed(new QLabel(fra2), u"lblVerdicts"_s);
    lblVerdicts->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblVerdicts->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    // The whole width for the text: the count at its end must not be cut off.
    lblVerdicts->setIndent(0);
    lblVerdicts->setMargin(0);
    QPalette warning = lblVerdicts->palette();
    warning.setColor(QPalette::WindowText, widgets::errorColor(warning));
    lblVerdicts->setPalette(warning);
    lblVerdicts->hide();

    QGroupBox* FraFile2 = createFrame(fra2, u"FraFile2"_s, u"Текущие файлы"_s);
    File2 = placed(new widgets::FileListView(FraFile2), u"File2"_s);

    QGroupBox* fraEnd = createFrame(fra2, u"fraEnd"_s, u"Окончание"_s);
    cboEnd = placed(comboBox(fraEnd, true,
                             {u".txt"_s, u".mp3"_s, u".wav"_s, u".bmp"_s, u".jpg"_s, u".htm"_s,
                              u".html"_s, u".*"_s},
                             u"cboEnd"_s),
                    u"cboEnd"_s);

    QGroupBox* fraDop = createFrame(fra2, u"fraDop"_s, u"Добавка"_s);
    cboDop = placed(comboBox(fraDop, false, {u"-"_s, u"1"_s, u"01"_s}, {}), u"cboDop"_s);
    widgets::takeWheelOnlyWithFocus(*cboEnd);
    widgets::takeWheelOnlyWithFocus(*cboDop);

    QGroupBox* fraName = createFrame(fra2, u"fraName"_s, u"Имя"_s);
    txtName = placed(new QLineEdit(u"*"_s, fraName), u"txtName"_s);

    cmdBack =
        createButton(fra2, u"cmdBack"_s, u"Назад"_s, widgets::pictureIcon(Picture::ArrowLeft));
    cmdExit[1] =
        createButton(fra2, u"cmdExit(1)"_s, u"Выход"_s, widgets::pictureIcon(Picture::Door));
    cmdRename = createButton(fra2, u"cmdRename"_s, u"Переименовать"_s, widgets::renameIcon());
    cmdRename->setEnabled(false);

    widgets::setFonts(controlFont, lstNew, File2, cboEnd, cboDop, txtName, prb1, lblVerdicts);
    lstNew->setAccessibleName(fraNew->title());
    File2->setAccessibleName(FraFile2->title());
    cboEnd->setAccessibleName(fraEnd->title());
    cboEnd->lineEdit()->setAccessibleName(fraEnd->title());
    cboDop->setAccessibleName(fraDop->title());
    txtName->setAccessibleName(fraName->title());
    prb1->setAccessibleName(u"Ход работы"_s);
}

void frmRename::orderTabStops() {
    std::vector<Placement> byTabIndex(std::begin(kLayout), std::end(kLayout));
    std::sort(byTabIndex.begin(), byTabIndex.end(),
              [](const Placement& a, const Placement& b) { return a.tabIndex < b.tabIndex; });
    QWidget* previous = nullptr;
    for (const Placement& p : byTabIndex) {
        auto* control = findChild<QWidget*>(p.name.toString());
        if (!control || control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void frmRename::connectHandlers() {
    m_selection = std::make_unique<selection::FileSelection>(
        *drvDir, *Dir, *cboMask, *File1, *File2,
        [this](const QString& text) { sbr1->setPanelText(3, text); });

    // The user's own clicks wait in the window system's queue while a preview or a pass holds the
    // thread, but a screen reader presses a button through a timer, which the busy window lets
    // run: such a press must not start a second pass inside the first, so it is dropped.
    const auto command = [this](QPushButton* button, const std::function<void()>& handler) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            if (!m_busy)
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
    connect(qApp, &QGuiApplication::commitDataRequest, this, &frmRename::sessionEnding);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &frmRename::sessionEnding);
    // Ctrl+Z on either page. An edit field with the focus (txtName, the text of cboMask or cboEnd)
    // claims the key for its own undo first, through its shortcut override.
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    undo->setContext(Qt::WindowShortcut);
    connect(undo, &QShortcut::activated, this, &frmRename::undoRename);
    for (QWidget* list : std::initializer_list<QWidget*>{File1, File2, lstNew}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& position) { showUndoMenu(list, position); });
    }

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
    if (droppedFolder(event->mimeData()).isEmpty())
        return;
    event->acceptProposedAction();
}

void frmRename::dragMoveEvent(QDragMoveEvent* event) {
    if (droppedFolder(event->mimeData()).isEmpty())
        return;
    event->acceptProposedAction();
}

void frmRename::dropEvent(QDropEvent* event) {
    const QString folder = droppedFolder(event->mimeData());
    if (folder.isEmpty() || !openFolder(folder))
        return;
    event->acceptProposedAction();
}

QString frmRename::droppedFolder(const QMimeData* data) const {
    // Only the selection page chooses folders; the naming page works on the one chosen.
    if (!data || fra1->isHidden() || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        // The path's bytes: a percent-encoded name that is not UTF-8 is no text to decode.
        const QByteArray path =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (const std::optional<QString> folder =
                filesystem::folderToOpen(platform::decodeFileName(path)))
            return *folder;
    }
    return {};
}

bool frmRename::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtName && event->type() == QEvent::MouseButtonPress)
        namingParameter_Change();
    return QWidget::eventFilter(watched, event);
}

void frmRename::closeEvent(QCloseEvent* event) {
    // A close from the window manager still arrives while a pass lets the window repaint. The
    // pass runs to its end first: a window gone mid-pass would hide its failure messages, and
    // the user would not know where the folder stands.
    if (m_busy) {
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

template <class Work> void frmRename::whileBusy(Work work) {
    m_busy = true;
    setWorkRunning(true);
    setHourglass(true);
    qsizetype left = 0;
    {
        const HeldControls held(txtName, {cboMask, cboEnd, cboDop, drvDir}, Dir);
        if constexpr (std::is_void_v<std::invoke_result_t<Work>>)
            work();
        else
            left = work();
    }
    setHourglass(false);
    setWorkRunning(false);
    m_busy = false;
    const int signal = endingSignal();
    if (signal != 0 || std::exchange(m_sessionEnding, false)) {
        std::fprintf(stderr, "tarvelok: %s: работа остановлена; файлов оставлено как было: %lld\n",
                     signal != 0 ? signalName(signal) : "конец сеанса",
                     static_cast<long long>(left));
        platform::requestStop(false);
        if (signal != 0)
            endBySignal(signal);
        close();
        return;
    }
    if (std::exchange(m_closeWhenIdle, false))
        close();
}

void frmRename::sessionEnding() {
    if (!m_busy)
        return;
    m_sessionEnding = true;
    platform::requestStop();
    closeOpenDialog();
}

QPointF frmRename::inputBoxPosition() const {
    const QPoint corner = frameGeometry().topLeft();
    const QPointF window(platform::toTwips(corner.x()), platform::toTwips(corner.y()));
    // The box's x comes from the window's top and its y from the window's left, swapped on
    // purpose: the box stands at that offset from the window, and the dialog service moves one
    // that this puts off the screen back onto it.
    return {window.y() + 100, window.x() - 500};
}

void frmRename::setHourglass(bool busy) {
    // On this window only: the message and input boxes that a pass opens keep the normal pointer,
    // since they are waiting for the user, not the other way round.
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
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
    const naming::Preview preview = naming::BuildNewNames(
        File2->fileModel()->names(),
        {txtName->text(), cboDop->currentText(), cboEnd->currentText()}, *m_shownNewNames, *prb1);
    if (preview.ending == naming::Preview::Ending::Warned)
        m_dialogs->message(preview.warning, u"ВНИМАНИЕ !!!"_s);
    else if (preview.ending == naming::Preview::Ending::GivenUp)
        m_newNames.clear();
}

void frmRename::cmdRename_Click() {
    whileBusy([this] {
        clearVerdicts();
        const renaming::PassOutcome outcome = renaming::renamePass(
            platform::renamePlan(*File2->fileModel(), m_newNames.items()),
            {*m_tracedRenamer, *prb1, *m_dialogs, m_journal.get(), m_shownNewNames.get()});
        // Both file views list one folder under one mask: File1 takes File2's reading, so a large
        // folder is read once, not twice.
        File2->fileModel()->refresh();
        prb1->setValue(0);
        m_newNames.clear();
        File1->fileModel()->showSameAs(*File2->fileModel());
        cmdRename->setEnabled(false);
        return outcome.left;
    });
}

void frmRename::namingParameter_Change() {
    cmdRename->setEnabled(false);
    clearVerdicts();
}

void frmRename::checkRenames() {
    // Off the user-interface thread, so the preview is no slower: a large folder's check takes
    // as long as the preview itself. It works on copies: the names, the listing, the folder.
    const quint64 check = ++m_check;
    m_checks.start([this, check, newNames = m_newNames.items(),
                    currentFiles = File2->fileModel()->snapshot(), surveyor = m_surveyor.get()] {
        QList<renaming::Verdict> failing =
            renaming::failingRows(newNames, *currentFiles, surveyor->survey(currentFiles->path()));
        QMetaObject::invokeMethod(
            this,
            [this, check, failing = std::move(failing)] {
                // A preview gone stale meanwhile takes no marks.
                if (check == m_check)
                    showVerdicts(failing);
            },
            Qt::QueuedConnection);
    });
}

void frmRename::showVerdicts(const QList<renaming::Verdict>& failing) {
    QHash<qsizetype, QString> reasons;
    reasons.reserve(failing.size());
    // A reason without a name is one text for all its rows, shared rather than built per row.
    QHash<renaming::Cause, QString> shared;
    for (const renaming::Verdict& verdict : failing) {
        if (!verdict.name.isEmpty()) {
            reasons.insert(verdict.row, reasonText(verdict));
            continue;
        }
        auto text = shared.constFind(verdict.cause);
        if (text == shared.cend())
            text = shared.insert(verdict.cause, reasonText(verdict));
        reasons.insert(verdict.row, *text);
    }
    m_newNames.setMarks(std::move(reasons));
    if (failing.isEmpty()) {
        emit verdictsShown();
        return;
    }
    const QString count = u"Не будут переименованы: "_s + QString::number(failing.size());
    // A long count takes a smaller font rather than lose its last digits.
    QFont font = widgets::dialogFont();
    const int room = lblVerdicts->contentsRect().width();
    while (QFontMetrics(font).horizontalAdvance(count) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    lblVerdicts->setFont(font);
    lblVerdicts->setText(count);
    prb1->hide();
    lblVerdicts->show();
    // Heard as a change of status, whatever holds the focus.
    QAccessibleEvent changed(lblVerdicts, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    emit verdictsShown();
}

void frmRename::clearVerdicts() {
    ++m_check;
    m_checks.clear();
    m_newNames.clearMarks();
    if (lblVerdicts->isHidden())
        return;
    lblVerdicts->hide();
    lblVerdicts->clear();
    prb1->show();
}

QString frmRename::shownFolder() const {
    return (fra2->isHidden() ? File1 : File2)->fileModel()->path();
}

void frmRename::showUndoMenu(QWidget* list, const QPoint& position) {
    QMenu menu(this);
    QAction* undo = menu.addAction(u"Отменить переименование\tCtrl+Z"_s);
    undo->setEnabled(!m_busy && journal::hasPassToUndo(shownFolder()));
    if (menu.exec(list->mapToGlobal(position)) == undo)
        undoRename();
}

void frmRename::undoRename() {
    // Dropped while a preview or a pass runs, as the buttons' clicks are.
    if (m_busy)
        return;
    const QString folder = shownFolder();
    if (folder.isEmpty())
        return;
    journal::PassLookup lookup;
    // A pass of a million files takes a moment to read back, and its folder with it.
    whileBusy([&] { lookup = journal::latestPass(folder); });
    if (lookup.status == journal::PassLookup::Status::Nothing || isHidden())
        return;
    if (lookup.status == journal::PassLookup::Status::Refused) {
        m_dialogs->message(lookup.problem, u"Ошибка !!!"_s);
        return;
    }
    const qsizetype toRestore = renaming::rowsToRestore(*lookup.pass);
    if (!m_dialogs->question(u"Вернуть прежние имена файлам, переименованным в папке %1?\n"
                             "Файлов: %2"_s.arg(folder)
                                 .arg(toRestore),
                             u"Отмена переименования"_s))
        return;

    std::vector<renaming::UndoFailure> failures;
    whileBusy([&] {
        renaming::UndoResult result = runUndo(*lookup.pass, toRestore, *m_renamer, *prb1);
        failures = std::move(result.failures);
        File1->fileModel()->refresh();
        File2->fileModel()->showSameAs(*File1->fileModel());
        m_newNames.clear();
        cmdRename->setEnabled(false);
        m_selection->writeFoundFiles();
        return result.left;
    });
    if (failures.empty())
        return;
    reportUndoFailures(failures);
    constexpr size_t kShown = 20;
    QString text = u"Прежние имена не восстановлены. Файлов: %1"_s.arg(failures.size());
    for (size_t i = 0; i < std::min(failures.size(), kShown); ++i)
        text += u'\n' + renaming::failureText(failures[i]);
    if (failures.size() > kShown)
        text += u"\n…"_s;
    m_dialogs->message(text, u"Ошибка !!!"_s);
}

} // namespace main_window
