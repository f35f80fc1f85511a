// Times taken read from files the test makes, good and damaged, and the orders they give.
#include "exif_jpeg.h"
#include "metadata/shot_time.h"
#include "metadata/shot_time_reader.h"
#include "selection/file_order.h"
#include "standard_error.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using metadata::Reading;
using selection::OrderKind;

namespace {

constexpr qint64 none = -1;

qint64 utcNs(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toMSecsSinceEpoch() *
           1'000'000;
}

// IFD0 with only an Exif pointer, both it and the next-IFD link leading back to IFD0.
QByteArray loopingTiff() {
    return QByteArray("II*\0\x08\0\0\0"
                      "\x01\0"
                      "\x69\x87\x04\0\x01\0\0\0\x08\0\0\0"
                      "\x08\0\0\0",
                      26);
}

// A 64 KiB segment whose IFD0 claims 65,535 entries, far more than the segment holds.
QByteArray hugeIfdTiff() {
    return QByteArray("II*\0\x08\0\0\0\xFF\xFF", 10) + QByteArray(65'000, '\x01');
}

QByteArray pngPhoto(const QString& path, const char* date) {
    auto image =
        Exiv2::ImageFactory::create(Exiv2::ImageType::png, QFile::encodeName(path).toStdString());
    Exiv2::ExifData exif;
    exif["Exif.Photo.DateTimeOriginal"] = date;
    image->setExifData(exif);
    image->writeMetadata();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

void setModified(const QString& path, qint64 ns) {
    const struct timespec times[2] = {{ns / 1'000'000'000, ns % 1'000'000'000},
                                      {ns / 1'000'000'000, ns % 1'000'000'000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

// The files the orders are checked on: two cameras interleaved (one writes its offset, the other
// local time), a burst within one second, and a clip between them by modification time.
struct Shot {
    const char* name;
    QByteArray bytes;
    qint64 takenNs;
    qint64 modifiedNs;
};

} // namespace

class TestShotTimes : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    QTemporaryDir m_folder;
    std::vector<Shot> m_shots;
    QList<std::optional<qint64>> m_read;
    QByteArray m_errors;

    int openFolder(const QTemporaryDir& dir) {
        return ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    }

private slots:
    void initTestCase() {
        // Nine hours east and no daylight saving: local time and UTC differ on every machine.
        qputenv("TZ", "JST-9");
        ::tzset();
        const qint64 base = utcNs("2023-06-01T10:00:00Z");
        const qint64 ms = 1'000'000;
        // Name, bytes, taken and modified in ms after `base`.
        const auto shot = [&](const char* name, QByteArray bytes, qint64 taken, qint64 modified) {
            m_shots.push_back(
                {name, bytes, taken == none ? none : base + taken * ms, base + modified * ms});
        };
        shot("a_001.jpg", jpeg(exifBlob("2023:06:01 12:00:00", nullptr, "+02:00")), 0, 9000);
        shot("a_002.jpg", jpeg(exifBlob("2023:06:01 12:00:20", nullptr, "+02:00")), 20000, 3000);
        shot("b_001.jpg", jpeg(exifBlob("2023:06:01 19:00:10")), 10000, 3000);
        shot("b_002.jpg", jpeg(exifBlob("2023:06:01 19:00:30")) + QByteArray(300, 0), 30000, 1000);
        shot("burst_1.jpg", jpeg(exifBlob("2023:06:01 19:00:40", "70")), 40700, 5000);
        shot("burst_2.jpg", jpeg(exifBlob("2023:06:01 19:00:40", "5")), 40500, 5000);
        shot("burst_3.jpg", jpeg(exifBlob("2023:06:01 19:00:40", "05")), 40050, 7000);
        shot("clip.mp4", QByteArray(900, 'v'), none, 25000);
        for (const Shot& shot : m_shots) {
            const QString path = m_folder.filePath(QString::fromLatin1(shot.name));
            QVERIFY(writeFile(path, shot.bytes));
            setModified(path, shot.modifiedNs);
        }
        QVERIFY(
            writeFile(m_folder.filePath(u"broken.jpg"_s), jpeg(exifBlob("2023:06:01")).left(30)));
        QCOMPARE(::mkfifo(QFile::encodeName(m_folder.filePath(u"x.jpg"_s)).constData(), 0600), 0);
        QVERIFY(QFile::link(m_folder.filePath(u"a_001.jpg"_s), m_folder.filePath(u"y.jpg"_s)));

        QList<QByteArray> read;
        for (const Shot& shot : m_shots)
            read.append(shot.name);
        read << "broken.jpg"
             << "x.jpg"
             << "y.jpg";
        metadata::ShotTimeReader reader;
        QSignalSpy finished(&reader, &metadata::ShotTimeReader::finished);
        m_errors = standardError([&] {
            reader.start(m_folder.path(), read);
            QVERIFY(finished.wait(20'000));
        });
        m_read = finished.at(0).at(1).value<QList<std::optional<qint64>>>();
        QCOMPARE(m_read.size(), read.size());
    }

    void reads_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<Reading>("reading");
        const qint64 taken = utcNs("2023-06-01T10:00:00Z");
        const QByteArray local = exifBlob("2023:06:01 19:00:00");
        const auto jpegRow = [&](const char* row, QByteArray tiff, qint64 expected, Reading how) {
            QTest::newRow(row) << jpeg(tiff) << expected << how;
        };
        jpegRow("local time", local, taken, Reading::Found);
        jpegRow("offset west", exifBlob("2023:06:01 05:00:00", "", "-05:00"), taken,
                Reading::Found);
        jpegRow("sub-second digits are a fraction", exifBlob("2023:06:01 19:00:00", "25 "),
                taken + 250'000'000, Reading::Found);
        jpegRow("no date", exifBlob(nullptr), none, Reading::NoTime);
        jpegRow("zero date", exifBlob("0000:00:00 00:00:00"), none, Reading::NoTime);
        jpegRow("blank date", exifBlob("    :  :     :  :  "), none, Reading::NoTime);
        jpegRow("date out of range", exifBlob("2023:13:32 25:00:00"), none, Reading::Damaged);
        jpegRow("IFD offsets that loop", loopingTiff(), none, Reading::Damaged);
        jpegRow("64 KiB APP1, IFD past its end", hugeIfdTiff(), none, Reading::Damaged);
        QTest::newRow("truncated in EXIF") << jpeg(local).left(40) << none << Reading::Damaged;
        QTest::newRow("TIFF") << local << taken << Reading::Found;
        QTest::newRow("PNG") << pngPhoto(m_scratch.filePath(u"p.png"_s), "2023:06:01 19:00:00")
                             << taken << Reading::Found;
        QTest::newRow("no EXIF") << QByteArray("\xFF\xD8\xFF\xD9") << none << Reading::NoTime;
        QTest::newRow("not an image") << QByteArray("just text") << none << Reading::NoTime;
    }
    void reads() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, expected);
        QFETCH(Reading, reading);
        QVERIFY(writeFile(m_scratch.filePath(u"photo.jpg"_s), bytes));
        const int folder = openFolder(m_scratch);
        const metadata::ShotTime time = metadata::readShotTime(folder, "photo.jpg");
        ::close(folder);
        QCOMPARE(time.nanoseconds.value_or(none), expected);
        QCOMPARE(time.reading, reading);
    }

    void refuses_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<Reading>("reading");
        QTest::newRow("pipe named x.jpg") << QByteArray("x.jpg") << Reading::NotAFile;
        QTest::newRow("link y.jpg to a photo") << QByteArray("y.jpg") << Reading::NotAFile;
        QTest::newRow("mode 000") << QByteArray("locked.jpg") << Reading::Unreadable;
    }
    void refuses() {
        QFETCH(QByteArray, name);
        QFETCH(Reading, reading);
        if (name == "locked.jpg") {
            if (::geteuid() == 0)
                QSKIP("root reads a file of mode 000");
            const QString path = m_folder.filePath(u"locked.jpg"_s);
            QVERIFY(writeFile(path, m_shots[0].bytes));
            ::chmod(QFile::encodeName(path).constData(), 0);
        }
        const int folder = openFolder(m_folder);
        auto time =
            std::async(std::launch::async, [&] { return metadata::readShotTime(folder, name); });
        if (time.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Frees a reader stuck opening the pipe, so the test can end.
            ::close(::open(QFile::encodeName(m_folder.filePath(u"x.jpg"_s)).constData(), O_RDWR));
            QFAIL("the read hung");
        }
        ::close(folder);
        const metadata::ShotTime got = time.get();
        QCOMPARE(got.nanoseconds, std::nullopt);
        QCOMPARE(got.reading, reading);
    }

    void readerReportsDamageOnly() {
        QCOMPARE(m_read.mid(qsizetype(m_shots.size())), (QList<std::optional<qint64>>(3)));
        QVERIFY2(m_errors.contains("«broken.jpg»"), m_errors.constData());
        QCOMPARE(m_errors.count('\n'), 2);
    }

    void cacheReadsAFileOnceWhileItHoldsStill() {
        const QString path = m_scratch.filePath(u"cached.jpg"_s);
        QVERIFY(writeFile(path, jpeg(exifBlob("2023:06:01 19:00:00"))));
        setModified(path, utcNs("2024-01-01T00:00:00Z"));
        metadata::ShotTimeCache cache;
        const int folder = openFolder(m_scratch);
        const qint64 first = cache.read(folder, "cached.jpg").nanoseconds.value_or(none);
        cache.read(folder, "cached.jpg");
        QCOMPARE(cache.filesRead(), 1);
        // Same size, new time taken: only the modification time tells the versions apart.
        QVERIFY(writeFile(path, jpeg(exifBlob("2023:06:01 19:00:01"))));
        setModified(path, utcNs("2024-01-01T00:00:00Z") + 1);
        const qint64 second = cache.read(folder, "cached.jpg").nanoseconds.value_or(none);
        ::close(folder);
        QCOMPARE(cache.filesRead(), 2);
        QCOMPARE(second - first, 1'000'000'000);
    }

    void staleRunIsDropped() {
        metadata::ShotTimeReader reader;
        QSignalSpy finished(&reader, &metadata::ShotTimeReader::finished);
        QSignalSpy progress(&reader, &metadata::ShotTimeReader::progress);
        reader.start(m_folder.path(), QList<QByteArray>(5000, "a_001.jpg"));
        const quint64 second = reader.start(m_folder.path(), {"b_001.jpg"});
        QVERIFY(finished.wait(20'000));
        QCoreApplication::processEvents();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).value<quint64>(), second);
        for (const QList<QVariant>& report : progress)
            QCOMPARE(report.at(0).value<quint64>(), second);
    }

    void orders_data() {
        QTest::addColumn<OrderKind>("kind");
        QTest::addColumn<bool>("reversed");
        for (const bool reversed : {false, true}) {
            const char* turn = reversed ? ", reversed" : "";
            QTest::addRow("by name%s", turn) << OrderKind::ByName << reversed;
            QTest::addRow("by modified%s", turn) << OrderKind::ByModified << reversed;
            QTest::addRow("by taken%s", turn) << OrderKind::ByTaken << reversed;
            QTest::addRow("by size%s", turn) << OrderKind::BySize << reversed;
        }
    }
    void orders() {
        QFETCH(OrderKind, kind);
        QFETCH(bool, reversed);
        std::vector<selection::OrderRow> rows;
        for (size_t k = 0; k < m_shots.size(); ++k)
            rows.push_back({m_shots[k].modifiedNs, m_shots[k].bytes.size(), m_read[qsizetype(k)]});
        QStringList got;
        for (const qsizetype row : selection::fileOrder(rows, kind, reversed))
            got.append(QString::fromLatin1(m_shots[size_t(row)].name));

        // The reference: the known values of the files, sorted here.
        const auto known = [kind](const Shot& shot) {
            const qint64 taken = shot.takenNs == none ? shot.modifiedNs : shot.takenNs;
            const qint64 keys[] = {0, shot.modifiedNs, taken, shot.bytes.size()};
            return keys[int(kind)];
        };
        std::vector<Shot> expected = m_shots;
        std::stable_sort(expected.begin(), expected.end(),
                         [&](const Shot& a, const Shot& b) { return known(a) < known(b); });
        if (reversed)
            std::reverse(expected.begin(), expected.end());
        QStringList names;
        for (const Shot& shot : expected)
            names.append(QString::fromLatin1(shot.name));
        QCOMPARE(got, names);
    }
};

QTEST_GUILESS_MAIN(TestShotTimes)
#include "test_shot_times.moc"
