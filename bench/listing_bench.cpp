// Listing a folder of 100,000 files for a file view, and surveying it for the preview's check,
// beside a bare readdir plus sort.
#include "filesystem/file_list_model.h"
#include "filesystem/file_mask.h"
#include "filesystem/folder_lister.h"
#include "filesystem/folder_surveyor.h"
#include "widgets/file_list_view.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int fileCount = 100000;

// 100,000 files: half photos in mixed case, the rest documents and names without an ending.
const QTemporaryDir& folder() {
    static const QTemporaryDir dir = [] {
        QTemporaryDir made;
        const QByteArray base = QFile::encodeName(made.path()) + '/';
        for (int i = 0; i < fileCount; ++i) {
            QByteArray name;
            switch (i % 4) {
            case 0:
                name = "IMG_" + QByteArray::number(i) + ".JPG";
                break;
            case 1:
                name = "photo " + QByteArray::number(i) + ".jpg";
                break;
            case 2:
                name = "Report-" + QByteArray::number(i) + ".txt";
                break;
            default:
                name = "notes" + QByteArray::number(i);
                break;
            }
            const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT, 0600);
            if (fd >= 0)
                ::close(fd);
        }
        return made;
    }();
    return dir;
}

void BM_BareReaddirAndSort(benchmark::State& state) {
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

void listUnder(benchmark::State& state, const QString& pattern) {
    const filesystem::FileMask mask(pattern);
    qsizetype rows = 0;
    for (auto _ : state) {
        const auto names = filesystem::listFiles(folder().path(), mask);
        rows = names ? names->size() : -1;
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
}

void BM_ListAll(benchmark::State& state) {
    listUnder(state, u"*.*"_s);
}
void BM_ListJpg(benchmark::State& state) {
    listUnder(state, u"*.jpg"_s);
}

// The preview's check reads the folder once more: every entry with its type, the file system's
// limits and whether it folds letter case; renaming every file, the flags of each file too.
void surveyRenaming(benchmark::State& state, const QStringList& renamed) {
    const filesystem::PosixFolderSurveyor surveyor;
    qsizetype entries = 0;
    for (auto _ : state) {
        entries = surveyor.survey(folder().path(), renamed).entries.size();
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = double(entries);
}

void BM_SurveyFolder(benchmark::State& state) {
    surveyRenaming(state, {});
}
void BM_SurveyFolderRenamingAll(benchmark::State& state) {
    const auto names = filesystem::listFiles(folder().path(), filesystem::FileMask(u"*.*"_s));
    surveyRenaming(state, names ? names->toStringList() : QStringList());
}

// What a folder change costs both file views: File1 pointed and read, File2 showing its rows.
void BM_FolderStepsBothViews(benchmark::State& state) {
    filesystem::FileListModel File1;
    filesystem::FileListModel File2;
    for (auto _ : state) {
        File1.setFolder(folder().path(), u"*.*"_s);
        File2.showSameAs(File1);
        benchmark::DoNotOptimize(File1.count() + File2.count());
    }
}

// A shown File1 re-pointed at the folder: the listing plus laying out and painting 100,000 rows.
void BM_ShownFileViewRelists(benchmark::State& state) {
    widgets::FileListView view;
    view.resize(400, 300);
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        view.fileModel()->setPath(folder().path());
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.fileModel()->count());
    }
}

} // namespace

BENCHMARK(BM_BareReaddirAndSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListJpg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurveyFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurveyFolderRenamingAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderStepsBothViews)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShownFileViewRelists)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    folder(); // made once, outside every timing
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
