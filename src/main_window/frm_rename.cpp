// The main window.
#include "frm_rename.h"

#include "about_window/form2.h"
#include "filesystem/folder_lister.h"
#include "filesystem/posix_file_renamer.h"
#include "naming/naming_checks.h"
#include "platform/file_names.h"
#include "platform/twips.h"
#include "selection/file_selection.h"
#include "widgets/accessibility.h"
#include "widgets/classic_font.h"
#include "widgets/classic_input.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"
#include "widgets/frame_placement.h"
#include "widgets/icons.h"
#include "widgets/progress_bar.h"
#include "widgets/qt_dialogs.h"
#include "widgets/status_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <iterator>
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
    {u"cmdExit(1)", 5160, 4920, 650, 650, 14},
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

frmRename::~frmRename() = default;

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
    button->setFont(widgets::classicFont(kFramePointSize));
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
    frame->setFont(widgets::classicFont(kFramePointSize));
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
    lbl1->setFont(widgets::classicFont(kFramePointSize));
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

    widgets::setFonts(controlFont, lstNew, File2, cboEnd, cboDop, txtName, prb1);
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
    setHourglass(true);
    work();
    setHourglass(false);
    m_busy = false;
    if (std::exchange(m_closeWhenIdle, false))
        close();
}

QPointF frmRename::windowPosition() const {
    const QPoint corner = frameGeometry().topLeft();
    return {platform::toTwips(corner.x()), platform::toTwips(corner.y())};
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
    whileBusy([this] {
        m_newNames.clear();
        // The ending shows its dot before any warning, and its Change handler runs first.
        const QString ending = naming::endingWithDot(cboEnd->currentText());
        if (ending != cboEnd->currentText())
            cboEnd->setEditText(ending);
        naming::BuildNewNames({*File2->fileModel(), m_newNames, *prb1, *m_dialogs,
                               [this] { return windowPosition(); }},
                              {txtName->text(), cboDop->currentText(), ending});
        cmdRename->setEnabled(!m_newNames.item(0).isEmpty());
    });
}

void frmRename::cmdRename_Click() {
    whileBusy([this] {
        renaming::renamePass(
            {*File1->fileModel(), *File2->fileModel(), m_newNames, *prb1, *m_dialogs, *m_renamer});
        cmdRename->setEnabled(false);
    });
}

void frmRename::namingParameter_Change() {
    cmdRename->setEnabled(false);
}

} // namespace main_window
