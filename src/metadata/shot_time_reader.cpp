// The threads that read times taken, and the generation that keeps a stale run from reporting.
#include "metadata/shot_time_reader.h"

#include "platform/file_names.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace metadata {

namespace {

constexpr qsizetype batch = 32;
constexpr qint64 progressEveryNs = 30'000'000;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

struct ShotTimeReader::Run {
    quint64 id = 0;
    QByteArray folder;
    QList<QByteArray> names;
    std::vector<FileStamp> stamps;
    std::vector<ShotTime> times;
    std::atomic<bool> cancelled{false};
    std::atomic<qsizetype> next{0};
    std::atomic<qsizetype> done{0};
    std::atomic<qint64> lastPostNs{0};
};

ShotTimeReader::ShotTimeReader(QObject* parent)
    : QObject(parent) {}

ShotTimeReader::~ShotTimeReader() {
    cancel();
    for (const auto& thread : m_threads)
        thread->wait();
}

quint64 ShotTimeReader::start(const QString& folder, QList<QByteArray> names,
                              std::vector<FileStamp> stamps) {
    cancel();
    std::erase_if(m_threads, [](const auto& thread) { return thread->isFinished(); });
    auto run = std::make_shared<Run>();
    run->id = ++m_lastRun;
    run->folder = platform::encodeFileName(folder);
    run->names = std::move(names);
    run->times.resize(size_t(run->names.size()));
    if (stamps.size() == run->times.size())
        run->stamps = std::move(stamps);
    m_current = run;
    m_threads.emplace_back(QThread::create([this, run] { work(run); }));
    m_threads.back()->start();
    return run->id;
}

void ShotTimeReader::cancel() {
    if (m_current)
        m_current->cancelled.store(true, std::memory_order_relaxed);
    m_current.reset();
}

void ShotTimeReader::work(const std::shared_ptr<Run>& run) {
    const int folderFd = ::open(run->folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const qsizetype total = run->names.size();
    const auto share = [&] {
        for (;;) {
            const qsizetype from = run->next.fetch_add(batch);
            if (from >= total || run->cancelled.load(std::memory_order_relaxed))
                return;
            const qsizetype to = std::min(total, from + batch);
            for (qsizetype row = from; row < to; ++row) {
                if (folderFd < 0)
                    continue;
                run->times[size_t(row)] =
                    run->stamps.empty()
                        ? m_cache.read(folderFd, run->names[row])
                        : m_cache.read(folderFd, run->names[row], run->stamps[size_t(row)]);
            }
            const qsizetype done = run->done.fetch_add(to - from) + (to - from);
            qint64 last = run->lastPostNs.load(std::memory_order_relaxed);
            const qint64 now = nowNs();
            if (now - last >= progressEveryNs && run->lastPostNs.compare_exchange_strong(last, now))
                post(run, done, false);
        }
    };
    // Reading is mostly waiting for the disk and parsing, so every core takes a share.
    const int helpers = std::clamp(QThread::idealThreadCount(), 1, 8) - 1;
    std::vector<std::thread> threads;
    for (int k = 0; k < helpers && total > batch * (k + 1); ++k)
        threads.emplace_back(share);
    share();
    for (std::thread& thread : threads)
        thread.join();
    if (folderFd >= 0)
        ::close(folderFd);
    if (run->cancelled.load(std::memory_order_relaxed))
        return;
    if (folderFd < 0)
        std::fprintf(stderr, "tarvelok: папка «%s» не открылась для чтения времени съёмки.\n",
                     run->folder.constData());
    reportUnread(stderr, run->names, run->times);
    post(run, total, true);
}

void ShotTimeReader::post(const std::shared_ptr<Run>& run, qsizetype done, bool last) {
    // Runs on the reader's own thread, where a newer start() may already have replaced the run.
    QMetaObject::invokeMethod(
        this,
        [this, run, done, last] {
            if (m_current != run)
                return;
            emit progress(run->id, done, run->names.size());
            if (!last)
                return;
            QList<std::optional<qint64>> times;
            times.reserve(qsizetype(run->times.size()));
            for (const ShotTime& time : run->times)
                times.append(time.nanoseconds);
            m_current.reset();
            emit finished(run->id, times);
        },
        Qt::QueuedConnection);
}

void reportUnread(std::FILE* out, const QList<QByteArray>& names,
                  const std::vector<ShotTime>& times) {
    qsizetype count = 0;
    for (size_t row = 0; row < times.size(); ++row) {
        const ShotTime& time = times[row];
        if (time.reading != Reading::Damaged && time.reading != Reading::Unreadable)
            continue;
        if (++count <= ShotTimeReader::reportedFiles)
            std::fprintf(out, "tarvelok: время съёмки «%s» не прочитано: %s\n",
                         names[qsizetype(row)].constData(), time.why.constData());
    }
    if (count > 0)
        std::fprintf(out, "tarvelok: время съёмки не прочитано у файлов: %lld.\n",
                     static_cast<long long>(count));
}

} // namespace metadata
