// The selection page of the main window.
#include "selection_page.h"

#include "filesystem/folder_lister.h"
#include "main_window/window_layout.h"
#include "platform/file_names.h"
#include "widgets/drive_view.h"
#include "widgets/file_list_view.h"
#include "widgets/folder_view.h"
#include "widgets/fonts.h"
#include "widgets/icons.h"
#include "widgets/input_habits.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace main_window {

SelectionPage::SelectionPage(QWidget* fra1)
    : fra1(fra1) {
    using widgets::Picture;
    const QFont controlFont = widgets::dialogFont();

    cmdAbout = WindowLayout::button(fra1, u"cmdAbout"_s, u"О программе"_s,
                                    widgets::pictureIcon(Picture::Question));

    QGroupBox* fraDir = WindowLayout::frame(fra1, u"fraDir"_s, u"Директория"_s);
    drvDir = WindowLayout::placed(new widgets::DriveView(fraDir), u"drvDir"_s);
    Dir = WindowLayout::placed(new widgets::FolderView(fraDir), u"Dir"_s);

    QGroupBox* fraMask = WindowLayout::frame(fra1, u"fraMask"_s, u"Маска"_s);
    cboMask = WindowLayout::placed(
        WindowLayout::comboBox(fraMask, true,
                               {u"*.*"_s, u"*.txt"_s, u"*.mp3"_s, u"*.wav"_s, u"*.jpg"_s,
                                u"*.bmp"_s, u"*.htm"_s, u"*.html"_s},
                               u"cboMask"_s),
        u"cboMask"_s);

    QGroupBox* fraFile1 = WindowLayout::frame(fra1, u"fraFile1"_s, u"Файлы"_s);
    File1 = WindowLayout::placed(new widgets::FileListView(fraFile1), u"File1"_s);

    cmdOK = WindowLayout::button(fra1, u"cmdOK"_s, u"Далее"_s,
                                 widgets::pictureIcon(Picture::ArrowRight));
    cmdExit = WindowLayout::button(fra1, u"cmdExit(0)"_s, u"Выход"_s,
                                   widgets::pictureIcon(Picture::Door));

    lbl1 =
        WindowLayout::placed(new QLabel(u"Выберите файлы для переименования"_s, fra1), u"lbl1"_s);
    lbl1->setFont(WindowLayout::captionFont());
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

QString SelectionPage::droppedFolder(const QMimeData* data) const {
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

} // namespace main_window
