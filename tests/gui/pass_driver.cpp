// Not a test: the real window as the program starts it, which opens the folder given, previews
// the ending given and renames, printing "renaming" as the pass starts. Tests end it mid-pass.
#include "main_window/ending_signals.h"
#include "main_window/frm_rename.h"
#include "platform/file_names.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    main_window::useClassicStyle();
    main_window::catchEndingSignals();
    main_window::frmRename window;
    if (argc != 3 || !window.openFolder(platform::decodeFileName(argv[1])))
        return 2;
    window.show();
    window.findChild<QPushButton*>(u"cmdOK"_s)->click();
    window.findChild<QComboBox*>(u"cboEnd"_s)->setEditText(QString::fromUtf8(argv[2]));
    window.findChild<QPushButton*>(u"cmdLook"_s)->click();
    std::puts("renaming");
    std::fflush(stdout);
    window.findChild<QPushButton*>(u"cmdRename"_s)->click();
    return 0;
}
