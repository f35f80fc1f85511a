// The layout table of the main window, in twips as the form was designed.
#include "window_layout.h"

#include "platform/twips.h"
#include "widgets/fonts.h"
#include "widgets/input_habits.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <algorithm>
#include <iterator>
#include <vector>

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
    // A control missing from the table is a mistake in the page that builds it: stop at once.
    if (row == std::end(kLayout))
        qFatal("no placement for %s", qPrintable(name.toString()));
    return *row;
}

} // namespace

QSize WindowLayout::clientSize() {
    return {platform::toPixels(kClientWidth), platform::toPixels(kClientHeight)};
}

QFont WindowLayout::captionFont() {
    return widgets::windowFont(kFramePointSize);
}

void WindowLayout::place(QWidget& widget, const QString& name) {
    using platform::toPixels;
    const Placement& p = placementOf(name);
    widget.setObjectName(name);
    widget.setGeometry(toPixels(p.left), toPixels(p.top), toPixels(p.width), toPixels(p.height));
}

QPushButton* WindowLayout::button(QWidget* page, const QString& name, const QString& tooltip,
                                  const QIcon& icon) {
    auto* button = placed(new QPushButton(page), name);
    button->setFont(captionFont());
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

QGroupBox* WindowLayout::frame(QWidget* page, const QString& name, const QString& caption) {
    auto* frame = placed(new QGroupBox(caption, page), name);
    frame->setFont(captionFont());
    return frame;
}

QComboBox* WindowLayout::comboBox(QWidget* parent, bool editable, const QStringList& items,
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

void WindowLayout::orderTabStops(QWidget& window) {
    std::vector<Placement> byTabIndex(std::begin(kLayout), std::end(kLayout));
    std::sort(byTabIndex.begin(), byTabIndex.end(),
              [](const Placement& a, const Placement& b) { return a.tabIndex < b.tabIndex; });
    QWidget* previous = nullptr;
    for (const Placement& p : byTabIndex) {
        auto* control = window.findChild<QWidget*>(p.name.toString());
        if (!control || control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

} // namespace main_window
