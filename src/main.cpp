// Starts Tarvelok.
#include "main_window/frm_rename.h"
#include "main_window/start_up.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt aborts with a long diagnostic when no display can be opened; say it in one line instead.
bool displayAvailable() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[]) {
    if (!displayAvailable()) {
        std::fputs("tarvelok: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "start it from a desktop session.\n",
                   stderr);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    // Lets the desktop match the window to its entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(TARVELOK_APP_ID));
    main_window::useClassicStyle();
    main_window::useRussianQtTexts(app);
    main_window::frmRename window;
    if (const QString problem =
            main_window::openFolderFromArguments(window, QCoreApplication::arguments());
        !problem.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    window.show();
    return app.exec();
}
