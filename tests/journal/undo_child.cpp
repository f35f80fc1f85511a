// Runs one rename pass with its journal, or the undo of the folder's latest pass, and kills itself
// with SIGKILL just before a chosen rename system call, as a crash or a power cut would stop it.
//   undo_child FOLDER NEW_NAMES_FILE|--undo KILL_AT [link|claim]
// NEW_NAMES_FILE holds one new name per line, by its bytes. KILL_AT is the number of the rename
// call to die at (0 is the first), "aside" for the move from an aside name to the new name of a
// case-only rename, or "never". "link" or "claim" makes every rename take that fallback.
#include "fake_dialogs.h"
#include "fake_progress.h"
#include "filesystem/file_list_model.h"
#include "filesystem/posix_file_renamer.h"
#include "folder_files.h"
#include "journal/journal.h"
#include "platform/file_names.h"
#include "renaming/rename_pass.h"
#include "renaming/undo_pass.h"

#include <csignal>

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
        if (now)
            std::raise(SIGKILL);
    });
    FakeProgress progress;
    if (QByteArrayView(argv[2]) == "--undo") {
        journal::PassLookup lookup = journal::latestPass(files.path());
        if (!lookup.pass)
            return 3;
        renaming::undoPass(*lookup.pass, renamer, progress);
        return 0;
    }
    journal::PassJournal journal;
    FakeDialogs dialogs;
    renaming::renamePass(platform::renamePlan(files, names),
                         {renamer, progress, dialogs, &journal});
    return 0;
}
