// Listing a folder of 100,000 files for a file view, beside a bare readdir plus sort.
#include "platform/file_list_model.h"
#include "platform/file_mask.h"
#include "platform/folder_lister.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int fileCount = 100000;

// 100,000 files: half photos in mixed case, the rest documents and names without an ending.
const QTemporaryDir& folder()
{
    static const QTemporaryDir dir = [] {
        QTemporaryDir made;
        const QByteArray base = QFile::encodeName(made.path()) + '/';
        for (int i = 0; i < fileCount; ++i) {
            QByteArray name;
            switch (i % 4) {
            case 0: name = "IMG_" + QByteArray::number(i) + ".JPG"; break;
            case 1: name = "photo " + QByteArray::number(i) + ".jpg"; break;
            case 2: name = "Report-" + QByteArray::number(i) + ".txt"; break;
            default: name = "notes" + QByteArray::number(i); break;
            }
            const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT, 0600);
            if (fd >= 0)
                ::close(fd);
        }
        return made;
    }();
    return dir;
}

void BM_BareReaddirAndSort(benchmark::State& state)
{
    const QByteArray path = QFile::encodeName(folder().path());
    for (auto _ : state) {
        std::vector<std::string> names;
        DIR* dir = opendir(path.constData());
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        benchmark::DoNotOptimize(names.data());
    }
}

void listUnder(benchmark::State& state, const QString& pattern)
{
    const platform::FileMask mask(pattern);
    qsizetype rows = 0;
    for (auto _ : state) {
        const auto names = platform::listFiles(folder().path(), mask);
        rows = names ? names->size() : -1;
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
}

void BM_ListAll(benchmark::State& state) { listUnder(state, u"*.*"_s); }
void BM_ListJpg(benchmark::State& state) { listUnder(state, u"*.jpg"_s); }

// What a folder change costs a file view: a Path write and a Pattern write, each a full re-list.
void BM_FileViewFolderSteps(benchmark::State& state)
{
    platform::FileListModel model;
    for (auto _ : state) {
        model.setPath(folder().path());
        model.setPattern(u"*.*"_s);
        benchmark::DoNotOptimize(model.count());
    }
}

} // namespace

BENCHMARK(BM_BareReaddirAndSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListJpg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileViewFolderSteps)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    folder(); // made once, outside every timing
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
