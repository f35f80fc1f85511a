// What the program does at start-up before the user sees the window.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace main_window {

class frmRename;

/// Installs the distribution's Russian translations of Qt's own texts (the dialog buttons, the
/// context menus of the edit boxes) whatever the system's locale, since every other text of the
/// program is Russian. False when they are not installed; Qt's English texts stay then.
bool useRussianQtTexts(QCoreApplication& application);

/// Goes to the folder named by the first argument after the program's name, or to the folder
/// holding the file it names, as a file manager's "Open with" hands it over. Without an argument
/// nothing changes. Returns what to tell the user on standard error: "" when all went well.
QString openFolderFromArguments(frmRename& window, QStringList arguments);

/// The first argument that looks like an option but is neither the program's own nor one of
/// Qt's, before any "--"; null when there is none.
const char* unknownOption(int argc, char* argv[]);

} // namespace main_window
