// Start-up: Qt's own texts in Russian, and the folder handed over on the command line.
#include "main_window/start_up.h"

#include "filesystem/folder_lister.h"
#include "main_window/frm_rename.h"
#include "main_window/undo_command.h"
#include "platform/file_names.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <string>
#include <string_view>

using namespace Qt::StringLiterals;

namespace main_window {

bool useRussianQtTexts(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Russian), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString openFolderFromArguments(frmRename& window, QStringList arguments) {
    // "--" ends the options, so that a folder named "-x" can be given.
    if (arguments.size() > 1 && arguments.at(1) == u"--"_s)
        arguments.removeAt(1);
    if (arguments.size() < 2)
        return {};
    const QString& given = arguments.at(1);
    QString why;
    const std::optional<QString> folder = filesystem::folderToOpen(given, &why);
    if (!folder || !window.openFolder(*folder)) {
        if (why.isEmpty())
            why = u"папка не открывается"_s;
        return u"tarvelok: %1: %2; окно открыто в текущей папке."_s.arg(
            platform::shownFileName(given), why);
    }
    if (arguments.size() > 2)
        return u"tarvelok: открывается только одна папка; параметры после %1 не учтены."_s.arg(
            platform::shownFileName(given));
    return {};
}

const char* unknownOption(int argc, char* argv[]) {
    // Qt takes these for itself, with one dash or two; the first ones take the next argument
    // unless given as "-option=value".
    static constexpr std::string_view qtWithValue =
        " platform platformpluginpath platformtheme plugin qmljsdebugger style stylesheet session "
        "display geometry title name qwindowgeometry qwindowicon qwindowtitle fn font bg fg btn "
        "im inputstyle visual ncols ";
    static constexpr std::string_view qtFlags = " reverse widgetcount nograb dograb ";
    const auto listed = [](std::string_view list, std::string_view option) {
        return !option.empty() && option.find(' ') == std::string_view::npos &&
               list.find(" " + std::string(option) + " ") != std::string_view::npos;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return nullptr;
        if (argument.size() < 2 || argument[0] != '-')
            continue;
        if (argument == "--undo") {
            ++i;
            continue;
        }
        if (isCommandLineOption(argument))
            continue;
        std::string_view option = argument.substr(argument[1] == '-' ? 2 : 1);
        const size_t equals = option.find('=');
        const bool hasValue = equals != std::string_view::npos;
        option = option.substr(0, equals);
        const bool takesValue = listed(qtWithValue, option);
        if (!takesValue && !listed(qtFlags, option))
            return argv[i];
        if (takesValue && !hasValue)
            ++i;
    }
    return nullptr;
}

} // namespace main_window
