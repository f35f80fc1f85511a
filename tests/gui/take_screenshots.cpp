// Refreshes the pictures in docs/screenshots: both pages and the About window over a folder of
// songs, a preview of photos with names that are taken, and the order menu of the file list. `make
// screenshots` runs it under Xvfb with a window manager, so the pictures show the title bar the way
// a desktop draws it.
#include "folder_files.h"
#include "gui_support.h"
#include "main_window/frm_rename.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

/// The window as the screen shows it, frame included where a window manager draws one.
bool save(QWidget& window, const QString& file) {
    // Shown as the window the user works in, and with the last repaint on the screen, which holds
    // only what the X server has drawn.
    window.activateWindow();
    QTest::qWait(200);
    const QRect frame = window.frameGeometry();
    const QPixmap picture =
        frame == window.geometry()
            ? window.grab()
            : window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!picture.save(file)) {
        std::fprintf(stderr, "take_screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

/// The screen under `area`: a window and a popup of its own, which a grab of the window leaves out.
bool saveArea(QWidget& window, const QRect& area, const QString& file) {
    const QPixmap picture =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!picture.save(file)) {
        std::fprintf(stderr, "take_screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

/// Gives a window manager a moment to put its frame around `window`.
void waitForFrame(QWidget& window) {
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&window);
    const QDeadlineTimer deadline(3000);
    while (window.frameGeometry() == window.geometry() && !deadline.hasExpired())
        QTest::qWait(20);
    QTest::qWait(200); // the frame's first paint
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: take_screenshots <folder>\n", stderr);
        return 2;
    }
    // Absolute: the program moves into the folder of songs before it saves anything.
    const QDir target(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    main_window::useClassicStyle();

    QTemporaryDir home(QDir::tempPath() + u"/Документы-XXXXXX"_s);
    const QString music = home.filePath(u"Музыка"_s);
    if (!home.isValid() || !QDir().mkdir(music))
        return 1;
    for (const QString& name : {u"01 - Вступление.mp3"_s, u"02 - Дорога.mp3"_s, u"03 - Река.mp3"_s,
                                u"04 - Город.mp3"_s, u"05 - Финал.mp3"_s, u"обложка.jpg"_s})
        writeFile(music, name);
    // Photos of which an earlier session renamed two: their names are taken now.
    const QString photos = home.filePath(u"Фото"_s);
    if (!QDir().mkdir(photos))
        return 1;
    for (const QString& name :
         {u"IMG_0101.jpg"_s, u"IMG_0102.jpg"_s, u"IMG_0103.jpg"_s, u"IMG_0104.jpg"_s,
          u"IMG_0105.jpg"_s, u"Отпуск 2.jpg"_s, u"Отпуск 4.jpg"_s})
        writeFile(photos, name);
    QDir::setCurrent(music);

    main_window::frmRename window(nullptr);
    window.show();
    waitForFrame(window);
    bool saved = save(window, target.filePath(u"main.png"_s));

    QLineEdit* mask = child<QComboBox>(window, u"cboMask"_s)->lineEdit();
    mask->selectAll();
    QTest::keyClicks(mask, u"*.mp3"_s);
    QTest::mouseClick(child<QPushButton>(window, u"cmdOK"_s), Qt::LeftButton);
    child<QLineEdit>(window, u"txtName"_s)->setText(u"Песня "_s);
    QTest::keyClick(child<QComboBox>(window, u"cboDop"_s), Qt::Key_End);
    QTest::mouseClick(child<QPushButton>(window, u"cmdLook"_s), Qt::LeftButton);
    child<QListView>(window, u"lstNew"_s)->setCurrentIndex({});
    saved = save(window, target.filePath(u"naming.png"_s)) && saved;

    QTest::mouseClick(child<QPushButton>(window, u"cmdBack"_s), Qt::LeftButton);
    window.openFolder(photos);
    mask->selectAll();
    QTest::keyClicks(mask, u"IMG_*.jpg"_s);
    QTest::mouseClick(child<QPushButton>(window, u"cmdOK"_s), Qt::LeftButton);
    child<QLineEdit>(window, u"txtName"_s)->setText(u"Отпуск "_s);
    child<QComboBox>(window, u"cboDop"_s)->setCurrentIndex(1);
    QSignalSpy checked(&window, &main_window::frmRename::verdictsShown);
    QTest::mouseClick(child<QPushButton>(window, u"cmdLook"_s), Qt::LeftButton);
    if (!checked.wait())
        return 1;
    child<QListView>(window, u"lstNew"_s)->setCurrentIndex({});
    saved = save(window, target.filePath(u"verdicts.png"_s)) && saved;

    // The order menu, opened by a right click in the middle of the photos' list.
    QTest::mouseClick(child<QPushButton>(window, u"cmdBack"_s), Qt::LeftButton);
    auto* files = child<QListView>(window, u"File1"_s);
    bool menuShown = false;
    QTimer::singleShot(300, &window, [&] {
        QWidget* menu = QApplication::activePopupWidget();
        if (!menu)
            return;
        menuShown = true;
        const QRect area = window.frameGeometry().united(menu->frameGeometry());
        saved = saveArea(window, area, target.filePath(u"order_menu.png"_s)) && saved;
        menu->close();
    });
    const QPoint at = files->viewport()->rect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, files->viewport()->mapToGlobal(at));
    QApplication::sendEvent(files->viewport(), &menuEvent);
    saved = menuShown && saved;

    ModalAnswerer grabAbout({[&](QWidget* about) {
        waitForFrame(*about);
        saved = save(*about, target.filePath(u"about.png"_s)) && saved;
        about->close();
    }});
    QTest::mouseClick(child<QPushButton>(window, u"cmdAbout"_s), Qt::LeftButton);
    return saved && grabAbout.done() ? 0 : 1;
}
