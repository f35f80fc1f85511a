// The order chosen in the file views' menu, on real files with set times, sizes and EXIF dates:
// the rows of both views and the preview follow it, through a folder change and a pass.
#include "columns.h"
#include "fake_dialogs.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kSecond = 1'000'000'000;

qint64 utcNs(const QString& iso) {
    return QDateTime::fromString(iso, Qt::ISODate).toMSecsSinceEpoch() * 1'000'000;
}

QByteArray jpegTakenAt(const char* date) {
    Exiv2::ExifData exif;
    exif["Exif.Photo.DateTimeOriginal"] = date;
    exif["Exif.Photo.OffsetTimeOriginal"] = "+00:00";
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    const QByteArray payload =
        "Exif" + QByteArray(2, '\0') +
        QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
    const qsizetype length = payload.size() + 2;
    return "\xFF\xD8\xFF\xE1" + QByteArray(1, char(length >> 8)) + char(length & 0xFF) + payload +
           "\xFF\xD9";
}

struct Photo {
    QString name;
    qint64 modifiedNs;
    qint64 size;
    qint64 takenNs; // the time modified where the file has no EXIF date
};

const qint64 kStart = utcNs(u"2023-06-01T09:30:00Z"_s);
// Each order puts them differently; d and b differ in their time modified by 5 ns only.
const QList<Photo> kPhotos = {
    {u"a.txt"_s, kStart + 30 * kSecond, 300, kStart + 30 * kSecond},
    {u"b.txt"_s, kStart + 10 * kSecond + 5, 100, kStart + 10 * kSecond + 5},
    {u"c.jpg"_s, kStart + 20 * kSecond, 2000, utcNs(u"2023-06-01T10:00:00Z"_s)},
    {u"d.jpg"_s, kStart + 10 * kSecond, 1000, utcNs(u"2023-06-01T09:00:00Z"_s)},
};

void makePhotos(const QString& folder) {
    for (const Photo& photo : kPhotos) {
        QByteArray content;
        if (photo.name == u"c.jpg"_s)
            content = jpegTakenAt("2023:06:01 10:00:00");
        else if (photo.name == u"d.jpg"_s)
            content = jpegTakenAt("2023:06:01 09:00:00");
        content.append(QByteArray(photo.size - content.size(), '\0'));
        const QString path = folder + u'/' + photo.name;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const timespec times[2] = {{photo.modifiedNs / kSecond, photo.modifiedNs % kSecond},
                                   {photo.modifiedNs / kSecond, photo.modifiedNs % kSecond}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }
    // Not listed, and never opened: a read of it would wait for a writer for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(folder + u"/x.jpg"_s).constData(), 0600), 0);
}

QStringList reference(const QString& item, bool reversed) {
    QList<Photo> photos = kPhotos;
    const auto key = [&item](const Photo& photo) {
        if (item == u"По дате изменения"_s)
            return photo.modifiedNs;
        if (item == u"По дате съёмки"_s)
            return photo.takenNs;
        if (item == u"По размеру"_s)
            return photo.size;
        return qint64(0);
    };
    std::stable_sort(photos.begin(), photos.end(),
                     [&key](const Photo& a, const Photo& b) { return key(a) < key(b); });
    if (reversed)
        std::reverse(photos.begin(), photos.end());
    QStringList names;
    for (const Photo& photo : photos)
        names.append(photo.name);
    return names;
}

} // namespace

class TestFileOrderWindow : public QObject, private WindowFixture {
    Q_OBJECT

    FakeDialogs m_dialogs;

    QStringList rows(const QString& list) { return rowTexts(*control<QListView>(list)->model()); }

    /// Opens the menu of `list` from the keyboard, reads its items ("-" a separator, "[x]" a check
    /// as a screen reader hears it) and triggers the item `choose`, if any.
    QStringList menu(const QString& list, const QString& choose = {}) {
        QStringList items;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(menu);
            for (int i = 0; i < reader->childCount(); ++i) {
                const QAccessibleInterface* item = reader->child(i);
                const QString text = item->text(QAccessible::Name);
                items.append(text.isEmpty() ? u"-"_s
                                            : (item->state().checked ? u"[x] "_s : QString()) +
                                                  text.section(u'\t', 0, 0));
            }
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions())
                if (!choose.isEmpty() && action->text() == choose)
                    chosen = action;
            menu->close();
            if (chosen)
                chosen->trigger();
        });
        auto* view = control<QAbstractScrollArea>(list);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                view->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(view->viewport(), &event);
        return items;
    }

    void preview() {
        control<QLineEdit>(u"txtName"_s)->setText(u"x"_s);
        control<QComboBox>(u"cboDop"_s)->setCurrentIndex(1);
        click(u"cmdLook"_s);
    }

private slots:
    void initTestCase() {
        Exiv2::XmpParser::initialize();
        setUpCase();
    }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void rowsFollowTheOrder_data() {
        addColumns<QString, bool>({"item", "reversed"});
        for (const QString& item :
             {u"По имени"_s, u"По дате изменения"_s, u"По дате съёмки"_s, u"По размеру"_s}) {
            QTest::addRow("%s", qPrintable(item)) << item << false;
            QTest::addRow("%s, reversed", qPrintable(item)) << item << true;
        }
    }

    void rowsFollowTheOrder() {
        QFETCH(QString, item);
        QFETCH(bool, reversed);
        const QString photos = folder() + u"/photos"_s;
        QVERIFY(QDir(folder()).mkdir(u"photos"_s));
        makePhotos(photos);
        openWindow(&m_dialogs);
        menu(u"File1"_s, item);
        if (reversed)
            menu(u"File1"_s, u"В обратном порядке"_s);

        QVERIFY(m_window->openFolder(photos));
        const QStringList expected = reference(item, reversed);
        QTRY_COMPARE(rows(u"File1"_s), expected);
        goToNamingPage();
        QCOMPARE(rows(u"File2"_s), expected);
        preview();
        const QStringList preview = newNames();
        QCOMPARE(preview.size(), expected.size());
        for (qsizetype row = 0; row < expected.size(); ++row) {
            QCOMPARE(preview[row].section(u'.', -1), expected[row].section(u'.', -1));
            QCOMPARE(preview[row].section(u'.', 0, 0), u"x%1"_s.arg(row + 1));
        }

        // The files keep their times and sizes: renamed, they stand where they stood, except by
        // name, where the new names give the order.
        QStringList renamed = preview;
        if (item == u"По имени"_s) {
            std::sort(renamed.begin(), renamed.end());
            if (reversed)
                std::reverse(renamed.begin(), renamed.end());
        }
        click(u"cmdRename"_s);
        QTRY_COMPARE(rows(u"File2"_s), renamed);
        QCOMPARE(rows(u"File1"_s), renamed);
    }

    void menuHoldsTheChoice() {
        makePhotos(folder());
        openWindow(&m_dialogs);
        QCOMPARE(menu(u"File1"_s),
                 (QStringList{u"Отменить переименование"_s, u"-"_s, u"[x] По имени"_s,
                              u"По дате изменения"_s, u"По дате съёмки"_s, u"По размеру"_s, u"-"_s,
                              u"В обратном порядке"_s}));
        goToNamingPage();
        menu(u"File2"_s, u"По размеру"_s);
        menu(u"File2"_s, u"В обратном порядке"_s);
        QCOMPARE(menu(u"File2"_s),
                 (QStringList{u"Отменить переименование"_s, u"-"_s, u"По имени"_s,
                              u"По дате изменения"_s, u"По дате съёмки"_s, u"[x] По размеру"_s,
                              u"-"_s, u"[x] В обратном порядке"_s}));
        QCOMPARE(menu(u"lstNew"_s), QStringList{u"Отменить переименование"_s});
    }

    void choosingMakesThePreviewStale() {
        makePhotos(folder());
        openWindow(&m_dialogs);
        QVERIFY(m_window->openFolder(folder()));
        goToNamingPage();
        preview();
        QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());
        QCOMPARE(newNames().size(), 4);

        menu(u"File2"_s, u"По размеру"_s);
        QCOMPARE(newNames(), QStringList());
        QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
        QCOMPARE(rows(u"File2"_s), reference(u"По размеру"_s, false));
        QCOMPARE(rows(u"File1"_s), reference(u"По размеру"_s, false));
    }

    void aFolderChangeDropsTheReading() {
        const QString photos = folder() + u"/photos"_s;
        const QString other = folder() + u"/other"_s;
        QVERIFY(QDir(folder()).mkdir(u"photos"_s) && QDir(folder()).mkdir(u"other"_s));
        makePhotos(photos);
        for (const auto& [name, seconds] : {std::pair{"y.txt", 20}, std::pair{"z.txt", 10}}) {
            const QString path = other + u'/' + QLatin1StringView(name);
            writeFile(other, QString::fromLatin1(name));
            const timespec times[2] = {{seconds, 0}, {seconds, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        }
        openWindow(&m_dialogs);
        menu(u"File1"_s, u"По дате съёмки"_s);

        QVERIFY(m_window->openFolder(photos));
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(m_window->openFolder(other));
        QTRY_VERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(rows(u"File1"_s), (QStringList{u"z.txt"_s, u"y.txt"_s}));
        QCOMPARE(rows(u"File2"_s), (QStringList{u"z.txt"_s, u"y.txt"_s}));
    }

    void shiftF10OpensTheMenu() {
        makePhotos(folder());
        openWindow(&m_dialogs);
        QVERIFY(m_window->openFolder(folder()));
        QStringList items;
        QTimer::singleShot(0, this, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    items.append(action->text());
                menu->close();
            }
        });
        QTest::keyClick(control<QWidget>(u"File1"_s), Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(items.size(), 8);
    }
};

QTEST_MAIN(TestFileOrderWindow)
#include "test_file_order_window.moc"
