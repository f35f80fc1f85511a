// The whole rename pass over a real folder, beside bare loops doing the same renames: renameat2
// alone, and fstatat plus renameat2, the floor of a pass that checks each entry's type.
#include "filesystem/file_list_model.h"
#include "filesystem/posix_file_renamer.h"
#include "journal/journal.h"
#include "platform/dialogs.h"
#include "platform/name_list_model.h"
#include "platform/new_name_list.h"
#include "platform/progress.h"
#include "renaming/rename_pass.h"
#include "renaming/swap_pre_pass.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class QuietDialogs final : public platform::Dialogs {
public:
    int messages = 0;
    void message(const QString&, const QString&) override { ++messages; }
    QString input(const QString&, const QString&, const QString&, QPointF) override { return {}; }
};

class QuietProgress final : public platform::Progress {
public:
    void setMaximum(qint64) override {}
    void setValue(qint64 value) override { benchmark::DoNotOptimize(value); }
};

/// lstNew's model, which the window shows the pre-pass's exchanges on.
class ListedNewNames final : public platform::NewNameList {
public:
    explicit ListedNewNames(platform::NameListModel& lstNew)
        : m_lstNew(lstNew) {}
    void shown(const QStringList& names) override { m_lstNew.addItems(names); }
    void highlight(qsizetype row) override { m_lstNew.setListIndex(row); }
    void changed(qsizetype row, const QString& name) override { m_lstNew.setItem(row, name); }
    std::optional<QString> askName(const QString&) override { return std::nullopt; }

private:
    platform::NameListModel& m_lstNew;
};

/// Photos as a camera names them, and the names the pass gives them; both sort the same way, so
/// row k of the folder's listing is file k under either set of names.
QStringList names(const char* pattern, qsizetype count) {
    QStringList list;
    list.reserve(count);
    for (qsizetype k = 0; k < count; ++k)
        list.append(QString::asprintf(pattern, int(k)));
    return list;
}

QStringList cameraNames(qsizetype count) {
    return names("IMG_%06d.JPG", count);
}
QStringList givenNames(qsizetype count) {
    return names("Отпуск %06d.jpg", count);
}

/// A folder of empty files under the camera names, one per size, shared by the pass and the bare
/// loop so that both work on the same directory. Every run renames there and back again, so the
/// folder is as it was after each run.
struct Folder {
    QTemporaryDir dir;
    QStringList cameraNames;
    QStringList givenNames;
    bool valid = false;
};

const Folder& folderOf(qsizetype count) {
    static std::map<qsizetype, std::unique_ptr<Folder>> folders;
    std::unique_ptr<Folder>& folder = folders[count];
    if (!folder) {
        folder = std::make_unique<Folder>();
        folder->cameraNames = cameraNames(count);
        folder->givenNames = givenNames(count);
        folder->valid = folder->dir.isValid();
        for (const QString& name : std::as_const(folder->cameraNames)) {
            const int fd = ::open(QFile::encodeName(folder->dir.filePath(name)).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            folder->valid = folder->valid && fd >= 0 && ::close(fd) == 0;
        }
    }
    return *folder;
}

// The pass renames every file to `names` and back again; `journal` as the window gives it, or none.
void passThereAndBack(benchmark::State& state, const QStringList& names,
                      platform::PassJournal* journal) {
    const Folder& folder = folderOf(state.range(0));
    if (!folder.valid) {
        state.SkipWithError("cannot make the folder");
        return;
    }
    QuietDialogs dialogs;
    QuietProgress prb1;
    filesystem::PosixFileRenamer renamer;
    filesystem::FileListModel File2;
    File2.setPath(folder.dir.path());
    platform::NameListModel lstNew;
    ListedNewNames shown(lstNew);
    // As the window runs it: the plan read off File2, the pass, and File2's re-read of the folder,
    // whose rows File1 then takes without a reading of its own.
    const auto pass = [&] {
        renaming::renamePass(platform::renamePlan(File2, lstNew.items()),
                             {renamer, prb1, dialogs, journal, &shown});
        File2.refresh();
        lstNew.clear();
    };
    for (auto _ : state) {
        // Filling the list is the preview's work, not the pass's.
        state.PauseTiming();
        lstNew.addItems(names);
        state.ResumeTiming();
        pass();
        state.PauseTiming();
        lstNew.addItems(folder.cameraNames);
        state.ResumeTiming();
        pass();
    }
    if (dialogs.messages != 0 || File2.count() != folder.cameraNames.size())
        state.SkipWithError("a rename failed");
}

void BM_RenamePass(benchmark::State& state) {
    passThereAndBack(state, folderOf(state.range(0)).givenNames, nullptr);
}

// The bare loops: every file renamed to its given name and back, relative to the folder, never
// replacing. With `checkType` each rename is preceded by the fstatat that a pass checking the
// entry's type makes: that is the floor of the real pass's renames. With `list` as well, each way
// ends with a readdir and a byte sort of the folder, as the pass ends by listing it again for the
// window: the floor of the whole pass.
void bareRenameLoop(benchmark::State& state, bool checkType, bool list = false) {
    const Folder& folder = folderOf(state.range(0));
    if (!folder.valid) {
        state.SkipWithError("cannot make the folder");
        return;
    }
    std::vector<QByteArray> camera;
    std::vector<QByteArray> given;
    for (const QString& name : folder.cameraNames)
        camera.push_back(QFile::encodeName(name));
    for (const QString& name : folder.givenNames)
        given.push_back(QFile::encodeName(name));
    const int fd = ::open(QFile::encodeName(folder.dir.path()).constData(), O_PATH | O_DIRECTORY);
    bool failed = false;
    const auto renameAll = [&](const std::vector<QByteArray>& from,
                               const std::vector<QByteArray>& to) {
        for (size_t k = 0; k < from.size(); ++k) {
            if (checkType) {
                struct stat status {};
                failed |= ::fstatat(fd, from[k].constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                          !S_ISREG(status.st_mode);
            }
            failed |=
                ::renameat2(fd, from[k].constData(), fd, to[k].constData(), RENAME_NOREPLACE) != 0;
        }
    };
    const QByteArray path = QFile::encodeName(folder.dir.path());
    const auto listAll = [&] {
        if (!list)
            return;
        std::vector<std::string> names;
        DIR* dir = ::opendir(path.constData());
        failed |= dir == nullptr;
        while (const dirent* entry = dir ? ::readdir(dir) : nullptr)
            names.emplace_back(entry->d_name);
        if (dir)
            ::closedir(dir);
        std::sort(names.begin(), names.end());
        benchmark::DoNotOptimize(names.data());
    };
    for (auto _ : state) {
        renameAll(camera, given);
        listAll();
        renameAll(given, camera);
        listAll();
    }
    ::close(fd);
    if (failed)
        state.SkipWithError("a rename failed");
}

void BM_BareRenameat2(benchmark::State& state) {
    bareRenameLoop(state, false);
}

void BM_BareSafeRename(benchmark::State& state) {
    bareRenameLoop(state, true);
}

void BM_BareSafeRenameAndList(benchmark::State& state) {
    bareRenameLoop(state, true, true);
}

// Case-only renames, with and without the journal (range(1) is 1 with it): each row moves its
// file aside and on, and with the journal tells it the aside name first, so this shows what the
// recorded steps cost beside the renames they guard.
void BM_CaseOnlyPass(benchmark::State& state) {
    QStringList lower;
    for (const QString& name : folderOf(state.range(0)).cameraNames)
        lower.append(name.toLower());
    QTemporaryDir journals;
    journal::PassJournal journal(journals.path());
    passThereAndBack(state, lower, state.range(1) ? &journal : nullptr);
}

void BM_SwapPrePass(benchmark::State& state) {
    const qsizetype count = state.range(0);
    const QStringList current = cameraNames(count);
    // Every tenth new name is some file's current name in other letter case, so rows exchange.
    QStringList newNames = givenNames(count);
    for (qsizetype k = 0; k < count; k += 10)
        newNames[k] = current.at((k * 7919) % count).toLower();
    for (auto _ : state)
        benchmark::DoNotOptimize(renaming::swapPrePass(newNames, current));
}

// The pass and its floors at each size, their repetitions interleaved (main turns that on), so
// that all see the same load of a shared machine; the ratio takes the fastest repetition of each.
[[maybe_unused]] const bool g_passesRegistered = [] {
    const std::pair<const char*, void (*)(benchmark::State&)> benchmarks[] = {
        {"BM_BareRenameat2", BM_BareRenameat2},
        {"BM_BareSafeRename", BM_BareSafeRename},
        {"BM_BareSafeRenameAndList", BM_BareSafeRenameAndList},
        {"BM_RenamePass", BM_RenamePass},
    };
    for (const auto& [size, repetitions] : {std::pair{10'000, 5}, {100'000, 3}, {1'000'000, 2}})
        for (const auto& [name, function] : benchmarks)
            benchmark::RegisterBenchmark(name, function)
                ->Arg(size)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Repetitions(repetitions);
    return true;
}();

BENCHMARK(BM_CaseOnlyPass)
    ->Args({10'000, 0})
    ->Args({10'000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);
BENCHMARK(BM_SwapPrePass)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

/// Prints the usual table, then each pass's time over its bare loop's.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const auto [time, fresh] =
                    m_times.try_emplace(run.run_name.function_name + '/' + run.run_name.args,
                                        run.GetAdjustedRealTime());
                if (!fresh)
                    time->second = std::min(time->second, run.GetAdjustedRealTime());
            }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* size : {"10000", "100000", "1000000"}) {
            const auto pass = m_times.find(std::string("BM_RenamePass/") + size);
            const auto bare = m_times.find(std::string("BM_BareRenameat2/") + size);
            const auto safe = m_times.find(std::string("BM_BareSafeRename/") + size);
            if (pass != m_times.end() && bare != m_times.end())
                std::printf("rename pass / bare renameat2 loop, %6s files: %.2fx\n", size,
                            pass->second / bare->second);
            if (pass != m_times.end() && safe != m_times.end())
                std::printf("rename pass / bare fstatat + renameat2 loop, %6s files: %.2fx\n", size,
                            pass->second / safe->second);
            const auto listed = m_times.find(std::string("BM_BareSafeRenameAndList/") + size);
            if (pass != m_times.end() && listed != m_times.end())
                std::printf("rename pass / the same loop and a readdir + sort, %6s files: %.2fx\n",
                            size, pass->second / listed->second);
        }
        const auto journalled = m_times.find("BM_CaseOnlyPass/10000/1");
        const auto plain = m_times.find("BM_CaseOnlyPass/10000/0");
        if (journalled != m_times.end() && plain != m_times.end())
            std::printf("case-only pass with its journal's steps / without,  10000 files: %.2fx\n",
                        journalled->second / plain->second);
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // Interleaved unless told otherwise: a flag given later wins.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&count, arguments.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
