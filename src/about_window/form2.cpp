// The About window.
#include "form2.h"

#include "platform/twips.h"
#include "widgets/fonts.h"
#include "widgets/frame_placement.h"
#include "widgets/icons.h"
#include "widgets/input_habits.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <cmath>

using namespace Qt::StringLiterals;

namespace about_window {

namespace {

// Rounds to the nearest integer, a tie going to the even neighbour, whatever rounding mode the
// floating-point unit happens to be in.
double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        return below + 1.0;
    return below;
}

QRect pixels(int left, int top, int width, int height) {
    using platform::toPixels;
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, QRect geometry) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    box->setFont(widgets::windowFont(8.25, true));
    box->setGeometry(geometry);
    return box;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, QRect geometry) {
    auto* line = new QLabel(text, parent);
    line->setObjectName(name);
    line->setFont(widgets::dialogFont());
    line->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    line->setGeometry(geometry);
    return line;
}

} // namespace

int centringOffset(double difference) {
    return static_cast<qint32>(roundHalfEven(difference)) / 2;
}

QPointF centredPosition(const QRectF& mainWindow, const QSizeF& aboutWindow) {
    const int down = centringOffset(mainWindow.height() - aboutWindow.height());
    const int across = centringOffset(mainWindow.width() - aboutWindow.width());
    // Window measures are single-precision numbers; the sums are formed in double first.
    const float top = static_cast<float>(mainWindow.top() + down);
    const float left = static_cast<float>(mainWindow.left() + across);
    return {left, top};
}

Form2::Form2(QWidget* frmRename)
    : QDialog(frmRename, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowCloseButtonHint) {
    setObjectName(u"Form2"_s);
    setWindowTitle(u"О ПРОГРАММЕ"_s);
    setWindowIcon(widgets::windowIcon());
    setFixedSize(platform::toPixels(3360), platform::toPixels(3675));

    QGroupBox* Frame3 = frame(this, u"Frame3"_s, u"НАПИСАНА НА"_s, pixels(120, 1185, 3135, 630));
    label(Frame3, u"Label6"_s, u"C++ / Qt 6"_s, pixels(120, 255, 2895, 255));

    QGroupBox* Frame2 = frame(this, u"Frame2"_s, u"АВТОР"_s, pixels(120, 1950, 3135, 1215));
    label(Frame2, u"Label5"_s, u"Город: любой"_s, pixels(120, 840, 2895, 255));
    label(Frame2, u"Label4"_s, u"Страна: Интернет"_s, pixels(120, 600, 2895, 255));
    label(Frame2, u"Label2"_s, u"Команда Тарвелок"_s, pixels(135, 360, 2895, 255));

    QGroupBox* Frame1 = frame(this, u"Frame1"_s, u"ПРОГРАММА"_s, pixels(120, 120, 3135, 855));
    label(Frame1, u"Label3"_s, u"18.10.2002"_s, pixels(120, 480, 2895, 255));
    label(Frame1, u"Label1"_s, u"ТАРВЕЛОК В.1.00"_s, pixels(120, 240, 2895, 255));

    auto* Command1 = new QPushButton(u"OK"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setFont(widgets::windowFont(12, true));
    Command1->setGeometry(pixels(960, 3255, 1455, 375));
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    // Neither default nor cancel button; Enter presses it as the focused button, as on the pages.
    Command1->setAutoDefault(false);
    widgets::pressOnEnter(*Command1);
    // The only control that takes the focus, so Space closes the window straight away.
    Command1->setFocus();

    setModal(true);
    Form_Load();
}

void Form2::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Form2::Form_Load() {
    QWidget* frmRename = parentWidget();
    if (!frmRename)
        return;
    // Centred frame over frame. The window is not on the screen yet, so its own title bar and
    // border are not known; it gets the same decoration as the main window, whose outer measures
    // are known, until the window manager frames it.
    auto* placement = new widgets::FramePlacement(*this, [frmRename](QSize outer) {
        using platform::toPixels;
        using platform::toTwips;
        const QRect mainOuter = frmRename->frameGeometry();
        const QPointF corner =
            centredPosition(QRectF(toTwips(mainOuter.x()), toTwips(mainOuter.y()),
                                   toTwips(mainOuter.width()), toTwips(mainOuter.height())),
                            QSizeF(toTwips(outer.width()), toTwips(outer.height())));
        return QPoint(toPixels(corner.x()), toPixels(corner.y()));
    });
    const QSize decoration = frmRename->frameGeometry().size() - frmRename->size();
    placement->place(size() + decoration);
}

void Form2::Command1_Click() {
    accept();
}

} // namespace about_window
