// Not a test: the real window as the program starts it, which opens the folder given, previews
// the ending given and renames, printing "asking" as the first repeat prompt
// comes up and "renaming" as the pass starts. Tests end it meanwhile.
#include "main_window/ending_signals.h"
#include "main_window/frm_rename.h"
#include "platform/file_names.h"
#include "platform/name_list_model.h"

#include <QApplication>
#include <QComboBox>
#include <QListView>
#include <QPushButton>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    main_window::useClassicStyle();
    main_window::catchEndingSignals();
    main_window::frmRename window(nullptr);
    if (argc != 3 || !window.openFolder(platform::decodeFileName(argv[1])))
        return 2;
    window.show();
    window.findChild<QPushButton*>(u"cmdOK"_s)->click();
    window.findChild<QComboBox*>(u"cboEnd"_s)->setEditText(QString::fromUtf8(argv[2]));
    // The repeat being asked about is highlighted just before its input box opens.
    auto* newNames =
        qobject_cast<platform::NameListModel*>(window.findChild<QListView*>(u"lstNew"_s)->model());
    QObject::connect(newNames, &platform::NameListModel::listIndexChanged, newNames, [] {
        std::puts("asking");
        std::fflush(stdout);
    });
    window.findChild<QPushButton*>(u"cmdLook"_s)->click();
    std::puts("renaming");
    std::fflush(stdout);
    window.findChild<QPushButton*>(u"cmdRename"_s)->click();
    return 0;
}
