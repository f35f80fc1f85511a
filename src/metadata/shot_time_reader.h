// Reads the times taken of a folder's files beside the window, so that the list can be ordered by
// them without the window waiting.
#pragma once

#include "metadata/shot_time.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QThread;

namespace metadata {

class ShotTimeReader : public QObject {
    Q_OBJECT

public:
    explicit ShotTimeReader(QObject* parent = nullptr);
    /// Cancels what runs and waits for it.
    ~ShotTimeReader() override;

    /// Starts reading `names` (file names by their bytes) of `folder` (reversible text) on
    /// threads of their own and returns the number of this run. A run still going is cancelled:
    /// its progress and result are never reported. `stamps`, when given, holds one stamp a name
    /// from the listing's stat of a regular file (ShotTimeCache::read).
    quint64 start(const QString& folder, QList<QByteArray> names,
                  std::vector<FileStamp> stamps = {});
    void cancel();

    /// The most files ever listed on standard error for one run; the rest are only counted.
    static constexpr int reportedFiles = 20;

signals:
    /// At most every few tens of milliseconds, and once all are done.
    void progress(quint64 run, qsizetype done, qsizetype total);
    /// One entry a name, in the order given; empty where no time could be read.
    void finished(quint64 run, const QList<std::optional<qint64>>& times);

private:
    struct Run;
    void work(const std::shared_ptr<Run>& run);
    void post(const std::shared_ptr<Run>& run, qsizetype done, bool last);

    ShotTimeCache m_cache;
    quint64 m_lastRun = 0;
    std::shared_ptr<Run> m_current;
    std::vector<std::unique_ptr<QThread>> m_threads;
};

/// Writes to `out` a line for each of the first ShotTimeReader::reportedFiles files of `times`
/// that were damaged or could not be read, then how many there were in all; nothing when none.
/// A file without EXIF is not counted: most files of a folder are not photos.
void reportUnread(std::FILE* out, const QList<QByteArray>& names,
                  const std::vector<ShotTime>& times);

} // namespace metadata
