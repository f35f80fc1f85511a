// The naming page of the main window.
#include "naming_page.h"

#include "main_window/window_layout.h"
#include "naming/naming_checks.h"
#include "platform/name_list_model.h"
#include "widgets/file_list_view.h"
#include "widgets/fonts.h"
#include "widgets/icons.h"
#include "widgets/input_habits.h"
#include "widgets/marked_rows.h"
#include "widgets/progress_bar.h"

#include <QAccessible>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace main_window {

NamingPage::NamingPage(QWidget* fra2, platform::NameListModel& newNames)
    : fra2(fra2) {
    using widgets::Picture;
    const QFont controlFont = widgets::dialogFont();

    prb1 = WindowLayout::placed(new widgets::ProgressBar(fra2), u"prb1"_s);
    cmdLook = WindowLayout::button(fra2, u"cmdLook"_s, u"Просмотреть"_s,
                                   widgets::pictureIcon(Picture::Magnifier));

    QGroupBox* fraNew = WindowLayout::frame(fra2, u"fraNew"_s, u"Переименованные"_s);
    lstNew = WindowLayout::placed(new QListView(fraNew), u"lstNew"_s);
    lstNew->setModel(&newNames);
    lstNew->setUniformItemSizes(true);
    lstNew->setSelectionMode(QAbstractItemView::SingleSelection);
    lstNew->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstNew->setItemDelegate(new widgets::MarkedRowDelegate(lstNew));

    // The count of rows that will fail takes the bar's place between a preview and a pass.
    lblVerdicts = WindowLayout::placed(new QLabel(fra2), u"lblVerdicts"_s);
    lblVerdicts->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblVerdicts->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    // The whole width for the text: the count at its end must not be cut off.
    lblVerdicts->setIndent(0);
    lblVerdicts->setMargin(0);
    QPalette warning = lblVerdicts->palette();
    warning.setColor(QPalette::WindowText, widgets::errorColor(warning));
    lblVerdicts->setPalette(warning);
    lblVerdicts->hide();

    QGroupBox* FraFile2 = WindowLayout::frame(fra2, u"FraFile2"_s, u"Текущие файлы"_s);
    File2 = WindowLayout::placed(new widgets::FileListView(FraFile2), u"File2"_s);

    QGroupBox* fraEnd = WindowLayout::frame(fra2, u"fraEnd"_s, u"Окончание"_s);
    cboEnd =
        WindowLayout::placed(WindowLayout::comboBox(fraEnd, true,
                                                    {u".txt"_s, u".mp3"_s, u".wav"_s, u".bmp"_s,
                                                     u".jpg"_s, u".htm"_s, u".html"_s, u".*"_s},
                                                    u"cboEnd"_s),
                             u"cboEnd"_s);

    QGroupBox* fraDop = WindowLayout::frame(fra2, u"fraDop"_s, u"Добавка"_s);
    cboDop = WindowLayout::placed(
        WindowLayout::comboBox(fraDop, false, {u"-"_s, u"1"_s, u"01"_s}, {}), u"cboDop"_s);
    widgets::takeWheelOnlyWithFocus(*cboEnd);
    widgets::takeWheelOnlyWithFocus(*cboDop);

    QGroupBox* fraName = WindowLayout::frame(fra2, u"fraName"_s, u"Имя"_s);
    txtName = WindowLayout::placed(new QLineEdit(u"*"_s, fraName), u"txtName"_s);

    cmdBack = WindowLayout::button(fra2, u"cmdBack"_s, u"Назад"_s,
                                   widgets::pictureIcon(Picture::ArrowLeft));
    cmdExit = WindowLayout::button(fra2, u"cmdExit(1)"_s, u"Выход"_s,
                                   widgets::pictureIcon(Picture::Door));
    cmdRename =
        WindowLayout::button(fra2, u"cmdRename"_s, u"Переименовать"_s, widgets::renameIcon());
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

naming::NamingParameters NamingPage::parameters() const {
    return {txtName->text(), cboDop->currentText(), naming::endingWithDot(cboEnd->currentText())};
}

void NamingPage::showFailingCount(qsizetype failing) {
    const QString count = u"Не будут переименованы: "_s + QString::number(failing);
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
}

void NamingPage::clearFailingCount() {
    if (lblVerdicts->isHidden())
        return;
    lblVerdicts->hide();
    lblVerdicts->clear();
    prb1->show();
}

} // namespace main_window
