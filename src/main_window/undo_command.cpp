// The undo of the latest pass, from the window or from the command line.
#include "main_window/undo_command.h"

#include "filesystem/folder_lister.h"
#include "filesystem/posix_file_renamer.h"
#include "journal/folder_lock.h"
#include "journal/journal.h"
#include "journal/repair.h"
#include "main_window/start_up.h"
#include "platform/file_names.h"
#include "platform/progress.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace main_window {

namespace {

class NoProgress final : public platform::Progress {
public:
    void setMaximum(qint64) override {}
    void setValue(qint64) override {}
};

void printLine(const QString& text) {
    // By bytes: a name that is not UTF-8 is printed as it stands on disk.
    std::fprintf(stderr, "%s\n", platform::encodeFileName(text).constData());
}

} // namespace

renaming::UndoResult runUndo(journal::RecordedPass& pass, qsizetype toRestore,
                             platform::FileRenamer& renamer, platform::Progress& progress) {
    renaming::UndoResult result = renaming::undoPass(pass, renamer, progress);
    const bool undone =
        result.left == 0 && (toRestore == 0 || qsizetype(result.failures.size()) < toRestore);
    if (!pass.recordClosed(undone))
        std::fprintf(stderr,
                     "tarvelok: журнал переименования не дописан (%s); эта отмена "
                     "может быть предложена снова.\n",
                     std::strerror(errno));
    return result;
}

QString folderBusyText() {
    return u"Папка занята другим переименованием"_s;
}

void reportUndoFailures(const std::vector<renaming::UndoFailure>& failures) {
    for (const renaming::UndoFailure& failure : failures)
        printLine(u"tarvelok: имя не восстановлено: "_s + renaming::failureText(failure));
}

bool isCommandLineOption(std::string_view argument) {
    for (const std::string_view option : {"--undo", "--help", "-h", "--version", "-v", "-?"})
        if (argument == option)
            return true;
    return argument.starts_with("--undo=");
}

bool wantsCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (isCommandLineOption(argv[i]))
            return true;
    return false;
}

int runCommandLine(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"tarvelok"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELOK_VERSION));
    useRussianQtTexts(application);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Тарвелок переименовывает файлы одной папки по общему образцу. Без параметров он "
        "открывает окно."_s);
    const QCommandLineOption help({u"h"_s, u"?"_s, u"help"_s}, u"Показать эту справку."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Показать версию программы."_s);
    const QCommandLineOption undo(
        u"undo"_s,
        u"Вернуть файлам папки ПАПКА имена, которые были у них до последнего переименования в "
        "ней, без окна. Код выхода: 0, когда восстановлены все имена; 1, когда некоторые нет; 2, "
        "когда отменять нечего, папка занята другим переименованием или не открывается."_s,
        u"ПАПКА"_s);
    parser.addOptions({help, version, undo});
    parser.addPositionalArgument(u"папка"_s, u"Папка, с которой открыть окно, или файл в ней."_s,
                                 u"[папка]"_s);
    // By their bytes, as the folder's own names are read: a path need not be valid UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(platform::decodeFileName(argv[i]));
    if (!parser.parse(arguments)) {
        printLine(u"tarvelok: "_s + parser.errorText());
        return 2;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    const QString given = parser.value(undo);
    QString why;
    const std::optional<QString> folder = filesystem::folderToOpen(given, &why);
    if (!folder) {
        printLine(u"tarvelok: "_s + given + u": "_s + why);
        return 2;
    }
    filesystem::PosixFileRenamer renamer;
    // What a pass cut off mid-step left goes back first, so the undo finds each file by a name
    // it knows.
    journal::repairInterruptedPasses(renamer);
    // Only after the repair, which leaves alone a folder anyone holds, this program too.
    const journal::FolderLock lock(*folder);
    if (lock.busy()) {
        printLine(u"tarvelok: "_s + folderBusyText() + u": «"_s + *folder + u"»"_s);
        return 2;
    }
    journal::PassLookup lookup = journal::latestPass(*folder);
    if (lookup.status == journal::PassLookup::Status::Nothing) {
        printLine(u"tarvelok: в папке «"_s + *folder + u"» нечего отменять."_s);
        return 2;
    }
    if (lookup.status == journal::PassLookup::Status::Refused) {
        printLine(u"tarvelok: "_s + lookup.problem);
        return 2;
    }
    NoProgress progress;
    const std::vector<renaming::UndoFailure> failures =
        runUndo(*lookup.pass, renaming::rowsToRestore(*lookup.pass), renamer, progress).failures;
    reportUndoFailures(failures);
    return failures.empty() ? 0 : 1;
}

} // namespace main_window
