// Runs one rename pass with its journal, or the undo of the folder's latest pass, and kills itself
// with SIGKILL just before a chosen rename system call, as a crash or a power cut would stop it.
//   undo_child FOLDER NEW_NAMES_FILE|--undo KILL_AT [link|claim|pause]
// NEW_NAMES_FILE holds one new name per line, by its bytes. KILL_AT is the number of the rename
// call to die at (0 is the first), "aside" for the move from an aside name to the new name of a
// case-only rename, or "never". "link" or "claim" makes every rename take that fallback. "pause"
// stops there instead: "paused" on standard output, then on once a line comes on standard input.
// The folder is locked as the window and the command line lock it; held by another, the child
// prints "busy" and exits 4.
#include "fake_dialogs.h"
#include "fake_progress.h"
#include "filesystem/file_list_model.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "journal/folder_lock.h"
#include "journal/journal.h"
#include "main_window/undo_command.h"
#include "platform/file_names.h"
#include "renaming/rename_pass.h"
#include "renaming/undo_pass.h"

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 4 && argc != 5)
        return 2;
    filesystem::FileListModel files;
    files.setPath(platform::decodeFileName(argv[1]));
    files.setPattern(QStringLiteral("*.*"));
    QStringList names;
    for (const QByteArray& line : readFile(argv[2]).split('\n'))
        if (!line.isEmpty())
            names.append(platform::decodeFileName(line));

    const QByteArray killAt = argv[3];
    int calls = 0;
    const QByteArray route = argc == 5 ? argv[4] : "";
    filesystem::PosixFileRenamer renamer(
        route == "link"    ? filesystem::PosixFileRenamer::Strategy::LinkThenUnlink
        : route == "claim" ? filesystem::PosixFileRenamer::Strategy::ClaimThenRename
                           : filesystem::PosixFileRenamer::Strategy::Automatic);
    renamer.setBeforeRename([&](const QByteArray& from, const QByteArray&) {
        const bool now = killAt == "aside" ? from.startsWith("tarvelok-")
                                           : killAt != "never" && calls == killAt.toInt();
        ++calls;
        if (now && route == "pause") {
            std::puts("paused");
            std::fflush(stdout);
            char line[16];
            if (!std::fgets(line, sizeof line, stdin))
                std::raise(SIGKILL);
        } else if (now) {
            std::raise(SIGKILL);
        }
    });
    const journal::FolderLock lock(files.path());
    if (lock.busy()) {
        std::puts("busy");
        return 4;
    }
    FakeProgress progress;
    if (QByteArrayView(argv[2]) == "--undo") {
        journal::PassLookup lookup = journal::latestPass(files.path());
        if (!lookup.pass)
            return 3;
        // As the command line undoes it, failures reported on standard error.
        main_window::reportUndoFailures(main_window::runUndo(*lookup.pass,
                                                             renaming::rowsToRestore(*lookup.pass),
                                                             renamer, progress)
                                            .failures);
        return 0;
    }
    journal::PassJournal journal;
    FakeDialogs dialogs;
    renaming::renamePass(platform::renamePlan(files, names),
                         {renamer, progress, dialogs, &journal});
    return 0;
}
