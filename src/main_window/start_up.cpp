// Start-up: Qt's own texts in Russian, and the folder handed over on the command line.
#include "main_window/start_up.h"

#include "filesystem/folder_lister.h"
#include "main_window/frm_rename.h"
#include "platform/file_names.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

QString openFolderFromArguments(frmRename& window, const QStringList& arguments) {
    if (arguments.size() < 2)
        return {};
    const QString& given = arguments.at(1);
    QString why;
    const std::optional<QString> folder = filesystem::folderToOpen(given, &why);
    if (!folder || !window.openFolder(*folder)) {
        if (why.isEmpty())
            why = u"the folder cannot be opened"_s;
        return u"tarvelok: %1: %2; starting in the current folder instead."_s.arg(
            platform::shownFileName(given), why);
    }
    if (arguments.size() > 2)
        return u"tarvelok: one folder at a time; the arguments after %1 are left alone."_s.arg(
            platform::shownFileName(given));
    return {};
}

} // namespace main_window
