// The whole workflow in the real window over a real folder: start-up, "Далее", the preview, the
// marks of the rows that will fail (verdicts_ms, from the click on "Просмотреть" until they are
// shown) and the rename pass, each timed on its own, beside a bare readdir plus sort of the same
// folder and bare renameat2 loops, with and without an fstatat before each rename, that make the
// pass's own renames in the same folder again. The rename pass runs once without its journal and
// once with it, and the second is undone; the journal alone is timed besides.
//
//     workflow_bench --files=N[,N...]    (default 10000,100000)
//
// Each size runs its window in a child process of its own, so that peak_rss_mb is that size's
// peak alone and not one inherited from a larger size run before it; the bare rename loops run
// in that child after each round, under the same load as the window. The folder goes under
// $TMPDIR (or /tmp); the benchmark's label names its file system.
#include "bench_sizes.h"
#include "filesystem/file_list_model.h"
#include "journal/journal.h"
#include "main_window/frm_rename.h"
#include "platform/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

int g_argc = 0;
char** g_argv = nullptr;

class QuietDialogs final : public platform::Dialogs {
public:
    int shown = 0;
    void message(const QString&, const QString&) override { ++shown; }
    QString input(const QString&, const QString&, const QString&, QPointF) override {
        ++shown;
        return {};
    }
    bool question(const QString&, const QString&) override { return true; }
};

QByteArray originalName(int k) {
    return "IMG_" + QByteArray::number(k) + ".JPG";
}

// The name the window gives file k with base name `base`, addition "01" and the ending kept.
QByteArray numberedName(char base, int k, int count) {
    const int width = std::max(2, int(QByteArray::number(count).size()));
    return base + QByteArray::number(k + 1).rightJustified(width, '0') + ".JPG";
}

bool makeFiles(const QString& folder, int count) {
    const QByteArray base = QFile::encodeName(folder) + '/';
    for (int k = 0; k < count; ++k) {
        const QByteArray path = base + originalName(k);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

const char* fileSystemName(const QString& folder) {
    struct statfs about {};
    if (::statfs(QFile::encodeName(folder).constData(), &about) != 0)
        return "unknown file system";
    switch (static_cast<unsigned long>(about.f_type)) {
    case 0xEF53:
        return "ext4";
    case 0x01021994:
        return "tmpfs";
    case 0x9123683E:
        return "btrfs";
    case 0x58465342:
        return "xfs";
    default:
        return "other file system";
    }
}

double milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Runs `work` in a forked child and hands back what it returned, with the child's peak resident
// memory in MiB appended; empty when the child failed.
std::vector<double> inChild(const std::function<std::vector<double>()>& work) {
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return {};
    if (child == 0) {
        ::close(channel[0]);
        std::vector<double> results = work();
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        results.push_back(double(usage.ru_maxrss) / 1024.0);
        const auto bytes = ssize_t(results.size() * sizeof(double));
        const bool written = ::write(channel[1], results.data(), size_t(bytes)) == bytes;
        // No destructors: the parent owns the folders, and a window of a million rows takes its
        // time to tear down.
        ::_exit(written ? 0 : 1);
    }
    ::close(channel[1]);
    std::vector<double> results;
    double value = 0;
    while (::read(channel[0], &value, sizeof value) == sizeof value)
        results.push_back(value);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return results;
}

void click(QWidget& window, const char* name) {
    window.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

// The names of one bare rename round, one after the other in one block, so that holding them
// adds little to the child's peak memory.
struct NameBlock {
    std::string text;
    std::vector<size_t> starts;
    void add(const QByteArray& name) {
        starts.push_back(text.size());
        text.append(name.constData(), size_t(name.size()) + 1);
    }
    const char* at(size_t k) const { return text.data() + starts[k]; }
};

// The physical floor of the rename pass, in the window's folder right after the window's round
// and under the same load: the renames the pass with a journal made (from base `from` to base
// 'c', in the same order), each after an fstatat, as a pass that checks each entry's type must
// make them, on the very directory the pass renamed in; then plain renameat2 calls back to base
// `from`, which leave the folder as the round found it. The names are built once the window is
// gone. Returns the milliseconds of both loops, or nothing when a rename failed.
std::vector<double> bareRenameRound(const QString& folderPath, char from, int count) {
    NameBlock before;
    NameBlock after;
    for (int k = 0; k < count; ++k) {
        before.add(numberedName(from, k, count));
        after.add(numberedName('c', k, count));
    }
    const int folder =
        ::open(QFile::encodeName(folderPath).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return {};
    QElapsedTimer timer;
    timer.start();
    bool failed = false;
    for (size_t k = 0; k < size_t(count) && !failed; ++k) {
        struct stat status {};
        failed = ::fstatat(folder, before.at(k), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                 !S_ISREG(status.st_mode) ||
                 ::renameat2(folder, before.at(k), folder, after.at(k), RENAME_NOREPLACE) != 0;
    }
    const double safeMs = milliseconds(timer);
    timer.restart();
    for (size_t k = 0; k < size_t(count) && !failed; ++k)
        failed = ::renameat2(folder, after.at(k), folder, before.at(k), RENAME_NOREPLACE) != 0;
    const double plainMs = milliseconds(timer);
    ::close(folder);
    if (failed)
        return {};
    return {plainMs, safeMs};
}

// The journal alone, as the pass writes it for `count` rows of `folder`: the plan with its fsync
// of file and folder, then the record of the renamed rows.
double journalRound(const QString& folder, const QString& state, int count) {
    filesystem::FileListModel files;
    files.setPath(folder);
    files.setPattern(u"*.*"_s);
    QStringList names;
    for (int k = 0; k < count; ++k)
        names.append(QString::fromLatin1(numberedName('d', k, count)));
    const platform::RenamePlan plan = platform::renamePlan(files, names);
    journal::PassJournal journal(state + u"/direct"_s);
    QElapsedTimer timer;
    timer.start();
    journal.begin(plan);
    journal.end(std::vector<bool>(size_t(count), true));
    return milliseconds(timer);
}

// One round is one user's session on the folder: start, "Далее", preview and a rename without a
// journal (one that cannot be written); then in a second window a rename with its journal and
// its undo, which leaves the names of the first rename; then the bare rename loops. Returns the
// mean time of each, or nothing when a dialog came up.
std::vector<double> workflowRounds(const QString& folder, int count, int rounds) {
    QApplication app(g_argc, g_argv);
    QDir::setCurrent(folder);
    QTemporaryDir state;
    double startMs = 0, nextMs = 0, previewMs = 0, renameMs = 0, bareRenameMs = 0;
    double renameWithoutJournalMs = 0, undoMs = 0, journalMs = 0, verdictsMs = 0;
    double bareSafeRenameMs = 0;
    const auto rename = [](main_window::frmRename& window, const QString& base) {
        window.findChild<QLineEdit*>(u"txtName"_s)->setText(base);
        window.findChild<QComboBox*>(u"cboDop"_s)->setCurrentIndex(2);
        click(window, "cmdLook");
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        click(window, "cmdRename");
        QApplication::processEvents();
        return milliseconds(timer);
    };
    for (int round = 0; round < rounds; ++round) {
        {
            // A journal under a file cannot be written: the pass runs as it did before journals.
            qputenv("XDG_STATE_HOME", "/dev/null");
            QuietDialogs dialogs;
            QElapsedTimer timer;
            timer.start();
            main_window::frmRename window(&dialogs);
            window.show();
            QApplication::processEvents();
            startMs += milliseconds(timer);

            timer.restart();
            click(window, "cmdOK");
            QApplication::processEvents();
            nextMs += milliseconds(timer);

            // Alternate base names, so that every round renames every file.
            window.findChild<QLineEdit*>(u"txtName"_s)->setText(round % 2 ? u"a"_s : u"b"_s);
            window.findChild<QComboBox*>(u"cboDop"_s)->setCurrentIndex(2);
            QSignalSpy checked(&window, &main_window::frmRename::verdictsShown);
            timer.restart();
            click(window, "cmdLook");
            QApplication::processEvents();
            previewMs += milliseconds(timer);
            // The check of the new names runs beside the window; its marks come when it ends.
            if (checked.isEmpty() && !checked.wait(600000))
                return {};
            verdictsMs += milliseconds(timer);

            timer.restart();
            click(window, "cmdRename");
            QApplication::processEvents();
            renameWithoutJournalMs += milliseconds(timer);
            if (dialogs.shown != 0)
                return {};
        }
        {
            qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
            QuietDialogs dialogs;
            main_window::frmRename window(&dialogs);
            window.show();
            click(window, "cmdOK");
            QApplication::processEvents();
            renameMs += rename(window, u"c"_s);
            QElapsedTimer timer;
            timer.start();
            // Ctrl+Z, through the one action that carries it.
            for (QAction* action : window.findChildren<QAction*>())
                if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Z))
                    action->trigger();
            QApplication::processEvents();
            undoMs += milliseconds(timer);
            if (dialogs.shown != 0)
                return {};
        }
        journalMs += journalRound(folder, state.path(), count);
        const std::vector<double> bare = bareRenameRound(folder, round % 2 ? 'a' : 'b', count);
        if (bare.empty())
            return {};
        bareRenameMs += bare[0];
        bareSafeRenameMs += bare[1];
    }
    return {startMs / rounds,         nextMs / rounds,       previewMs / rounds,
            renameMs / rounds,        bareRenameMs / rounds, renameWithoutJournalMs / rounds,
            journalMs / rounds,       undoMs / rounds,       verdictsMs / rounds,
            bareSafeRenameMs / rounds};
}

// The physical floor of the listing steps: readdir plus a plain byte sort of the same folder.
std::vector<double> bareReaddirRounds(const QString& listed, int rounds) {
    const QByteArray listedPath = QFile::encodeName(listed);
    double readdirMs = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        std::vector<std::string> names;
        DIR* dir = ::opendir(listedPath.constData());
        if (!dir)
            return {};
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        benchmark::DoNotOptimize(names.data());
        readdirMs += milliseconds(timer);
    }
    return {readdirMs / rounds};
}

void BM_Workflow(benchmark::State& state) {
    const int count = int(state.range(0));
    // A million-file round takes the better part of a minute; one round is plenty there.
    const int rounds = count <= 100000 ? 3 : 1;
    QTemporaryDir workflowFolder;
    if (!workflowFolder.isValid() || !makeFiles(workflowFolder.path(), count)) {
        state.SkipWithError("cannot make the folders");
        return;
    }
    state.SetLabel(fileSystemName(workflowFolder.path()));
    for (auto _ : state) {
        const std::vector<double> window =
            inChild([&] { return workflowRounds(workflowFolder.path(), count, rounds); });
        const std::vector<double> bare =
            inChild([&] { return bareReaddirRounds(workflowFolder.path(), rounds); });
        if (window.size() != 11 || bare.size() != 2) {
            state.SkipWithError("a round failed or a dialog came up");
            return;
        }
        state.SetIterationTime((window[0] + window[1] + window[2] + window[3]) / 1000.0);
        state.counters["start_ms"] = window[0];
        state.counters["next_ms"] = window[1];
        state.counters["preview_ms"] = window[2];
        state.counters["rename_ms"] = window[3];
        state.counters["bare_readdir_sort_ms"] = bare[0];
        state.counters["bare_rename_ms"] = window[4];
        state.counters["rename_without_journal_ms"] = window[5];
        state.counters["journal_ms"] = window[6];
        state.counters["undo_ms"] = window[7];
        state.counters["verdicts_ms"] = window[8];
        state.counters["bare_safe_rename_ms"] = window[9];
        // The pass as the user sees it ends with the folder listed again: its floor is the safe
        // rename loop and a bare listing.
        state.counters["pass_over_floor"] = window[3] / (window[9] + bare[0]);
        state.counters["peak_rss_mb"] = window[10];
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::vector<int> sizes = takeSizes(argc, argv, "workflow_bench");
    g_argc = argc;
    g_argv = argv;
    benchmark::Initialize(&argc, argv);
    benchmark::internal::Benchmark* workflow =
        benchmark::RegisterBenchmark("BM_Workflow", BM_Workflow);
    for (const int size : sizes)
        workflow->Arg(size);
    workflow->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
