// The order chosen in the file views' menu, on real files with set times, sizes and EXIF dates:
// the rows of both views and the preview follow it, through a folder change and a pass.
#include "columns.h"
#include "exif_jpeg.h"
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
#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const qint64 kSecond = 1'000'000'000;
const qint64 kStart =
    QDateTime::fromString(u"2023-06-01T09:30:00Z"_s, Qt::ISODate).toSecsSinceEpoch() * kSecond;

struct File {
    QString name;
    qint64 modifiedNs;
    qint64 size;
    qint64 takenNs; // the time modified where the file has no EXIF date
    const char* exifDate;
};

// Each order puts them differently; d and b differ in their time modified by 5 ns only.
const File kFiles[] = {
    {u"a.txt"_s, kStart + 30 * kSecond, 300, kStart + 30 * kSecond, nullptr},
    {u"b.txt"_s, kStart + 10 * kSecond + 5, 100, kStart + 10 * kSecond + 5, nullptr},
    {u"c.jpg"_s, kStart + 20 * kSecond, 2000, kStart + 1800 * kSecond, "2023:06:01 10:00:00"},
    {u"d.jpg"_s, kStart + 10 * kSecond, 1000, kStart - 1800 * kSecond, "2023:06:01 09:00:00"},
};

void makeFile(const QString& folder, const QString& name, const QByteArray& content,
              qint64 modifiedNs) {
    const QByteArray path = QFile::encodeName(folder + u'/' + name);
    QFile file(QFile::decodeName(path));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    const timespec time{modifiedNs / kSecond, modifiedNs % kSecond};
    const timespec times[2] = {time, time};
    QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
}

void makeFiles(const QString& folder) {
    for (const File& file : kFiles) {
        QByteArray content = file.exifDate ? jpeg(exifBlob(file.exifDate, nullptr, "+00:00")) : "";
        makeFile(folder, file.name, content + QByteArray(file.size - content.size(), '\0'),
                 file.modifiedNs);
    }
    // Not listed, and never opened: a read of it would wait for a writer for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(folder + u"/x.jpg"_s).constData(), 0600), 0);
}

QStringList reference(const QString& item, bool reversed) {
    std::vector<File> files(std::begin(kFiles), std::end(kFiles));
    const auto key = [&item](const File& file) {
        return item == u"По дате изменения"_s ? file.modifiedNs
               : item == u"По дате съёмки"_s  ? file.takenNs
               : item == u"По размеру"_s      ? file.size
                                              : 0;
    };
    std::stable_sort(files.begin(), files.end(),
                     [&key](const File& a, const File& b) { return key(a) < key(b); });
    if (reversed)
        std::reverse(files.begin(), files.end());
    QStringList names;
    for (const File& file : files)
        names.append(file.name);
    return names;
}

} // namespace

class TestFileOrderWindow : public QObject, private WindowFixture {
    Q_OBJECT

    FakeDialogs m_dialogs;

    QStringList rows(const QString& list) { return rowTexts(*control<QListView>(list)->model()); }

    /// Opens the menu of `list` from the keyboard (`key`, or the Menu key's event), reads its
    /// items as a screen reader hears them ("-" a separator, "[x]" checked) and triggers `choose`.
    QStringList menu(const QString& list, const QString& choose = {}, bool shiftF10 = false) {
        QStringList items;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(menu);
            for (int i = 0; i < reader->childCount(); ++i) {
                const QAccessibleInterface* item = reader->child(i);
                const QString text = item->text(QAccessible::Name).section(u'\t', 0, 0);
                items.append(text.isEmpty() ? u"-"_s
                                            : (item->state().checked ? u"[x] "_s : u""_s) + text);
            }
            const auto actions = menu->actions();
            const auto chosen = std::find_if(actions.begin(), actions.end(),
                                             [&](QAction* a) { return a->text() == choose; });
            menu->close();
            if (chosen != actions.end())
                (*chosen)->trigger();
        });
        auto* view = control<QAbstractScrollArea>(list);
        if (shiftF10) {
            QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        } else {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                    view->viewport()->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(view->viewport(), &event);
        }
        return items;
    }

    void preview() {
        control<QLineEdit>(u"txtName"_s)->setText(u"x"_s);
        control<QComboBox>(u"cboDop"_s)->setCurrentIndex(1);
        click(u"cmdLook"_s);
    }

private slots:
    void initTestCase() { setUpCase(); }
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
        makeFiles(photos);
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
        for (qsizetype row = 0; row < expected.size(); ++row)
            QCOMPARE(preview[row], u"x%1.%2"_s.arg(row + 1).arg(expected[row].section(u'.', 1)));

        // Renamed, the files keep their times and sizes, so they stand where they stood; by name
        // the new names give the order.
        QStringList renamed = preview;
        if (item == u"По имени"_s && reversed)
            std::reverse(renamed.begin(), renamed.end());
        click(u"cmdRename"_s);
        QTRY_COMPARE(rows(u"File2"_s), renamed);
        QCOMPARE(rows(u"File1"_s), renamed);
    }

    void aChoiceMakesThePreviewStale() {
        makeFiles(folder());
        openWindow(&m_dialogs);
        QCOMPARE(menu(u"File1"_s, {}, true),
                 (QStringList{u"Отменить переименование"_s, u"-"_s, u"[x] По имени"_s,
                              u"По дате изменения"_s, u"По дате съёмки"_s, u"По размеру"_s, u"-"_s,
                              u"В обратном порядке"_s}));
        goToNamingPage();
        preview();
        QVERIFY(control<QPushButton>(u"cmdRename"_s)->isEnabled());

        menu(u"File2"_s, u"По размеру"_s);
        QCOMPARE(newNames(), QStringList());
        QVERIFY(!control<QPushButton>(u"cmdRename"_s)->isEnabled());
        QCOMPARE(rows(u"File1"_s), reference(u"По размеру"_s, false));
        menu(u"File2"_s, u"В обратном порядке"_s);
        QCOMPARE(menu(u"File2"_s),
                 (QStringList{u"Отменить переименование"_s, u"-"_s, u"По имени"_s,
                              u"По дате изменения"_s, u"По дате съёмки"_s, u"[x] По размеру"_s,
                              u"-"_s, u"[x] В обратном порядке"_s}));
        QCOMPARE(menu(u"lstNew"_s, {}, true), QStringList{u"Отменить переименование"_s});
    }

    void aFolderChangeDropsTheReading() {
        const QString photos = folder() + u"/photos"_s;
        const QString other = folder() + u"/other"_s;
        QVERIFY(QDir(folder()).mkdir(u"photos"_s) && QDir(folder()).mkdir(u"other"_s));
        makeFiles(photos);
        makeFile(other, u"y.txt"_s, "y", 20 * kSecond);
        makeFile(other, u"z.txt"_s, "z", 10 * kSecond);
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
};

QTEST_MAIN(TestFileOrderWindow)
#include "test_file_order_window.moc"
