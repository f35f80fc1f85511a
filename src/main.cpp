// Starts Tarvelok.
#include "filesystem/folder_surveyor.h"
#include "filesystem/posix_file_renamer.h"
#include "journal/repair.h"
#include "main_window/ending_signals.h"
#include "main_window/frm_rename.h"
#include "main_window/start_up.h"
#include "main_window/undo_command.h"
#include "platform/file_names.h"
#include "widgets/qt_dialogs.h"

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
    // Told before anything else: a mistyped option is not a folder to look for.
    if (const char* option = main_window::unknownOption(argc, argv)) {
        std::fprintf(stderr,
                     "tarvelok: неизвестный параметр «%s»; список параметров: tarvelok --help\n",
                     option);
        return 2;
    }
    // --undo, --help and --version need no display, and must not open one.
    if (main_window::wantsCommandLine(argc, argv))
        return main_window::runCommandLine(argc, argv);
    if (!displayAvailable()) {
        std::fputs("tarvelok: дисплей не найден (не заданы ни DISPLAY, ни WAYLAND_DISPLAY); "
                   "запустите программу из сеанса рабочего стола.\n",
                   stderr);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    main_window::catchEndingSignals();
    {
        // A pass cut off by a crash or a kill may have left a file under a name of its own
        // making; put right before anything is listed.
        filesystem::PosixFileRenamer renamer;
        journal::repairInterruptedPasses(renamer);
    }
    // Lets the desktop match the window to its entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(TARVELOK_APP_ID));
    main_window::useClassicStyle();
    main_window::useRussianQtTexts(app);
    widgets::QtDialogs dialogs(nullptr);
    filesystem::PosixFileRenamer renamer;
    main_window::frmRename window({dialogs, renamer, std::make_unique<journal::PassJournal>(),
                                   std::make_unique<filesystem::PosixFolderSurveyor>()});
    dialogs.setWindow(&window);
    // By their bytes, as the folder's own names are read: a path need not be valid UTF-8. Qt has
    // taken its own options out of argv by now.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(platform::decodeFileName(argv[i]));
    if (const QString problem = main_window::openFolderFromArguments(window, arguments);
        !problem.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    window.show();
    return app.exec();
}
