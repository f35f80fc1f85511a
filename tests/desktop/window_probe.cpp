// Runs the real windows under a real display server and reports, one fact a line, where the
// window manager or compositor put them and how they relate: test_desktop reads the report.
//
//   window_probe FOLDER     (FOLDER holds a.txt and a.jpg)
#include "gui_support.h"
#include "main_window/frm_rename.h"
#include "main_window/start_up.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

void report(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString rect(const QRect& r) {
    return u"%1 %2 %3 %4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

/// Runs `then` once `window` is on the screen and the window manager has stopped moving it: its
/// outer geometry unchanged for 100 ms, and framed where the window system draws frames. Gives up
/// waiting after a few seconds, and reports that.
void whenSettled(QWidget* window, std::function<void()> then) {
    auto* poll = new QTimer(window);
    auto* clock = new QElapsedTimer;
    clock->start();
    auto last = std::make_shared<QRect>();
    auto stable = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, window, [=] {
        const QRect now = window->frameGeometry();
        const bool exposed = window->windowHandle() && window->windowHandle()->isExposed();
        const bool framed = QGuiApplication::platformName() != u"xcb"_s ||
                            now != window->geometry() || clock->elapsed() > 2000;
        *stable = (exposed && framed && now == *last) ? *stable + 1 : 0;
        *last = now;
        if (*stable < 5 && clock->elapsed() < 6000)
            return;
        if (*stable < 5)
            report(u"unsettled "_s + window->objectName());
        poll->stop();
        poll->deleteLater();
        delete clock;
        then();
    });
    poll->start(20);
}

/// Runs `step` on the next modal window to open, once it has settled.
void onNextModal(QWidget* window, std::function<void(QWidget*)> step) {
    new ModalAnswerer({[=](QWidget* modal) { whenSettled(modal, [=] { step(modal); }); }}, window);
}

void reportDialog(const QString& name, QWidget* dialog, QWidget* window) {
    report(name + u' ' + rect(dialog->frameGeometry()));
    const bool transient = dialog->windowHandle() && window->windowHandle() &&
                           dialog->windowHandle()->transientParent() == window->windowHandle();
    report(name + u"-transient "_s + QString::number(transient));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    main_window::useClassicStyle();
    main_window::useRussianQtTexts(app);
    main_window::frmRename window(nullptr);
    const QString problem = main_window::openFolderFromArguments(window, app.arguments());
    if (!problem.isEmpty())
        report(u"problem "_s + problem);
    window.show();
    report(u"platform "_s + QGuiApplication::platformName());

    const auto button = [&](const QString& name) { return window.findChild<QPushButton*>(name); };
    const auto page = [&](const QString& name) {
        return window.findChild<QWidget*>(name)->isVisible() ? 1 : 0;
    };
    const auto reportMain = [&] {
        report(u"main "_s + rect(window.frameGeometry()));
        report(u"client "_s + rect(window.geometry()));
        report(u"screen "_s + rect(window.screen()->availableGeometry()));
    };

    // The steps run one after the other; each modal window's step ends by closing it.
    whenSettled(&window, [&] {
        reportMain();
        onNextModal(&window, [&](QWidget* about) {
            reportDialog(u"about"_s, about, &window);
            report(u"main-under-about "_s + rect(window.frameGeometry()));
            about->findChild<QPushButton*>(u"Command1"_s)->click();
        });
        button(u"cmdAbout"_s)->click();

        // Into the screen's bottom-right corner, frame included.
        const QRect area = window.screen()->availableGeometry();
        const QSize outer = window.frameGeometry().size();
        window.move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
        whenSettled(&window, [&] {
            report(u"cornered "_s + rect(window.frameGeometry()));
            button(u"cmdOK"_s)->click();
            report(u"naming-page "_s + QString::number(page(u"fra2"_s)));
            // a.txt and a.jpg would both become a.txt: the input box asks for another name.
            window.findChild<QComboBox*>(u"cboEnd"_s)->setEditText(u".txt"_s);
            onNextModal(&window, [&](QWidget* input) {
                reportDialog(u"input"_s, input, &window);
                static_cast<QDialog*>(input)->reject();
            });
            button(u"cmdLook"_s)->click();

            // Both files named "x.txt": the warning's message box.
            window.findChild<QLineEdit*>(u"txtName"_s)->setText(u"x"_s);
            onNextModal(&window, [&](QWidget* message) {
                reportDialog(u"message"_s, message, &window);
                static_cast<QDialog*>(message)->accept();
            });
            button(u"cmdLook"_s)->click();

            window.findChild<QComboBox*>(u"cboEnd"_s)->setEditText(u".*"_s);
            window.findChild<QLineEdit*>(u"txtName"_s)->setText(u"*"_s);
            button(u"cmdLook"_s)->click();
            report(u"previewed "_s +
                   QString::number(window.findChild<QListView*>(u"lstNew"_s)->model()->rowCount()));
            button(u"cmdBack"_s)->click();
            report(u"selection-page "_s + QString::number(page(u"fra1"_s)));
            report(u"done"_s);
            app.quit();
        });
    });
    return app.exec();
}
