// Numbering a folder of photos by time taken and by modification time, beside their physical
// floors: taken_ms (list, read every time taken through the reader, order) beside bare_head_ms
// (open, read 64 KiB, close each file, sort by a number), and mtime_ms (list, stat, order)
// beside bare_stat_ms (readdir, fstatat, sort).
//
//     order_bench --files=N[,N...]    (default 10000,100000)
//
// The photos are small JPEGs, one APP1 segment with an EXIF time each, in a folder under $TMPDIR
// (or /tmp) that is removed after each size. Each figure is the best of three rounds.
#include "bench_sizes.h"
#include "filesystem/file_mask.h"
#include "filesystem/folder_lister.h"
#include "metadata/shot_time_reader.h"
#include "platform/file_names.h"
#include "selection/file_order.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int rounds = 3;

// SOI, APP1 with a TIFF of two IFDs (IFD0 pointing to the Exif IFD, which holds
// DateTimeOriginal at offset 56 and SubSecTimeOriginal inline), EOI.
QByteArray photo(int k) {
    QByteArray tiff("II*\0\x08\0\0\0"
                    "\x01\0\x69\x87\x04\0\x01\0\0\0\x1A\0\0\0\0\0\0\0"
                    "\x02\0\x03\x90\x02\0\x14\0\0\0\x38\0\0\0\x91\x92\x02\0\x04\0\0\0"
                    "000\0\0\0\0\0",
                    56);
    // Shots a few seconds apart, out of step with the names, some within one second.
    const int second = (k * 7919) % 86400;
    char date[20];
    std::snprintf(date, sizeof date, "2023:06:%02d %02d:%02d:%02d", 1 + (k % 28), second / 3600,
                  second / 60 % 60, second % 60);
    tiff += QByteArray(date, 19);
    tiff += '\0';
    tiff.replace(48, 3, QByteArray::number(100 + k % 900));
    const QByteArray payload = "Exif" + QByteArray(2, '\0') + tiff;
    const qsizetype length = payload.size() + 2;
    return "\xFF\xD8\xFF\xE1" + QByteArray(1, char(length >> 8)) + char(length & 0xFF) + payload +
           "\xFF\xD9";
}

bool makePhotos(const QString& folder, int count) {
    const QByteArray base = QFile::encodeName(folder) + '/';
    for (int k = 0; k < count; ++k) {
        const QByteArray bytes = photo(k);
        const QByteArray path = base + "IMG_" + QByteArray::number(k) + ".JPG";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
        ::close(fd);
        if (!written)
            return false;
    }
    return true;
}

double bestMs(const std::function<void()>& round) {
    double best = 0;
    for (int k = 0; k < rounds; ++k) {
        QElapsedTimer timer;
        timer.start();
        round();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        best = k == 0 ? ms : std::min(best, ms);
    }
    return best;
}

qint64 nanoseconds(const struct timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The listing as the window has it: names in natural order with the stat of each.
struct Listing {
    QList<QByteArray> names;
    std::vector<metadata::FileStamp> stamps;
    std::vector<selection::OrderRow> rows;
};

Listing list(const QString& folder) {
    Listing listing;
    const auto names = filesystem::listFiles(folder, filesystem::FileMask(u"*.*"_s));
    if (!names)
        return listing;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    listing.names.reserve(names->size());
    listing.rows.reserve(size_t(names->size()));
    for (qsizetype row = 0; row < names->size(); ++row) {
        listing.names.append(platform::encodeFileName(names->at(row)));
        struct stat status {};
        ::fstatat(fd, listing.names.back().constData(), &status, AT_SYMLINK_NOFOLLOW);
        listing.rows.push_back({nanoseconds(status.st_mtim), qint64(status.st_size), {}});
        listing.stamps.push_back({quint64(status.st_dev), quint64(status.st_ino),
                                  qint64(status.st_size), nanoseconds(status.st_mtim)});
    }
    ::close(fd);
    return listing;
}

// readdir, then `each` on the folder and every name, then a sort by the number it gave.
template <typename Each> void bareRound(const QByteArray& folder, Each each) {
    std::vector<std::pair<qint64, size_t>> keyed;
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.constData());
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    const int fd = ::dirfd(dir);
    keyed.reserve(names.size());
    for (size_t k = 0; k < names.size(); ++k)
        keyed.emplace_back(each(fd, names[k].c_str()), k);
    ::closedir(dir);
    std::sort(keyed.begin(), keyed.end());
    benchmark::DoNotOptimize(keyed.data());
}

void BM_Order(benchmark::State& state) {
    const int count = int(state.range(0));
    const QTemporaryDir folder;
    if (!folder.isValid() || !makePhotos(folder.path(), count)) {
        state.SkipWithError("cannot make the photos");
        return;
    }
    const QByteArray path = QFile::encodeName(folder.path());
    qsizetype found = 0;
    for (auto _ : state) {
        const double takenMs = bestMs([&] {
            Listing listing = list(folder.path());
            // A new reader each round, so that its cache has not seen the files.
            metadata::ShotTimeReader reader;
            QSignalSpy finished(&reader, &metadata::ShotTimeReader::finished);
            reader.start(folder.path(), listing.names, listing.stamps);
            finished.wait(600'000);
            const auto times = finished.at(0).at(1).value<QList<std::optional<qint64>>>();
            found = std::count_if(times.begin(), times.end(), [](auto t) { return t.has_value(); });
            for (size_t row = 0; row < listing.rows.size(); ++row)
                listing.rows[row].takenNs = times[qsizetype(row)];
            benchmark::DoNotOptimize(
                selection::fileOrder(listing.rows, selection::OrderKind::ByTaken, false));
        });
        const double bareHeadMs = bestMs([&] {
            static thread_local std::vector<char> buffer(64 * 1024);
            bareRound(path, [](int dir, const char* name) -> qint64 {
                const int fd = ::openat(dir, name, O_RDONLY | O_CLOEXEC);
                const ssize_t got = fd < 0 ? 0 : ::read(fd, buffer.data(), buffer.size());
                ::close(fd);
                qint64 number = 0;
                std::memcpy(&number, buffer.data() + 64, got >= 72 ? 8 : 0);
                return number;
            });
        });
        const double mtimeMs = bestMs([&] {
            const Listing listing = list(folder.path());
            benchmark::DoNotOptimize(
                selection::fileOrder(listing.rows, selection::OrderKind::ByModified, false));
        });
        const double bareStatMs = bestMs([&] {
            bareRound(path, [](int dir, const char* name) -> qint64 {
                struct stat status {};
                ::fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW);
                return nanoseconds(status.st_mtim);
            });
        });
        state.SetIterationTime(takenMs / 1e3);
        state.counters["taken_ms"] = takenMs;
        state.counters["bare_head_ms"] = bareHeadMs;
        state.counters["taken_ratio"] = takenMs / bareHeadMs;
        state.counters["taken_us_per_file"] = takenMs * 1e3 / count;
        state.counters["mtime_ms"] = mtimeMs;
        state.counters["bare_stat_ms"] = bareStatMs;
        state.counters["mtime_ratio"] = mtimeMs / bareStatMs;
        state.counters["with_time"] = double(found);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<int> sizes = takeSizes(argc, argv, "order_bench");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::internal::Benchmark* order = benchmark::RegisterBenchmark("BM_Order", BM_Order);
    for (const int size : sizes)
        order->Arg(size);
    order->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
