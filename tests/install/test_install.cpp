// What `cmake --install` and the Debian package put in place, checked the way a desktop finds it:
// the entry on the applications path, the icon through the hicolor theme, the metainfo where
// AppStream reads it, each passing its own validator.
#include "columns.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString appId = QStringLiteral(TARVELOK_APP_ID);

// Everything the install puts in place, relative to the prefix, with what each is.
QList<std::pair<QString, QString>> installedPaths() {
    QList<std::pair<QString, QString>> paths = {
        {u"binary"_s, u"bin/tarvelok"_s},
        {u"desktop entry"_s, u"share/applications/%1.desktop"_s.arg(appId)},
        {u"metainfo"_s, u"share/metainfo/%1.metainfo.xml"_s.arg(appId)},
        {u"scalable icon"_s, u"share/icons/hicolor/scalable/apps/%1.svg"_s.arg(appId)},
        {u"manual page"_s, u"share/man/man1/tarvelok.1.gz"_s},
        {u"copyright"_s, u"share/doc/tarvelok/copyright"_s},
        {u"changelog"_s, u"share/doc/tarvelok/changelog.gz"_s},
    };
    for (int size : {16, 32, 48})
        paths.append({u"%1x%1 icon"_s.arg(size),
                      u"share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(appId)});
    return paths;
}

struct Run {
    int exitCode = -1;
    QString output;
};

// Runs a tool to its end; the output is kept so a failure says what the tool said.
Run run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DESTDIR"_s);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(240'000))
        return {-1, program + u" did not finish: "_s + process.errorString()};
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromUtf8(process.readAll())};
}

// Key=value lines of a desktop entry's main group.
QMap<QString, QString> desktopEntryKeys(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QMap<QString, QString> keys;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == u"[Desktop Entry]"_s;
        else if (inMainGroup && line.contains(u'=') && !line.startsWith(u'#'))
            keys.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return keys;
}

struct Metainfo {
    QString id;
    QString launchable;
    QString binary;
    QStringList names;
    QStringList summaryLanguages;
    QStringList screenshots;
};

Metainfo readMetainfo(const QString& path) {
    QFile file(path);
    Metainfo info;
    if (!file.open(QIODevice::ReadOnly))
        return info;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        const QString language = xml.attributes().value(u"xml:lang"_s).toString();
        if (name == u"id"_s)
            info.id = xml.readElementText();
        else if (name == u"launchable"_s)
            info.launchable = xml.readElementText();
        else if (name == u"binary"_s)
            info.binary = xml.readElementText();
        else if (name == u"name"_s)
            info.names.append(xml.readElementText());
        else if (name == u"summary"_s)
            info.summaryLanguages.append(language.isEmpty() ? u"C"_s : language);
        else if (name == u"image"_s)
            info.screenshots.append(xml.readElementText());
    }
    return info;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void installedFiles_data();
    void installedFiles();
    void iconSizes_data();
    void iconSizes();
    void desktopFindsTheEntryAndItsIcon();
    void entryLaunchesTheInstalledBinary();
    void metainfoNamesTheProgram();
    void validators_data();
    void validators();
    void debianPackage();

private:
    QString installed(const QString& relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

void TestInstall::initTestCase() {
    QVERIFY(m_prefix.isValid());
    const Run install =
        run(QStringLiteral(TARVELOK_CMAKE),
            {u"--install"_s, QStringLiteral(TARVELOK_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void TestInstall::installedFiles_data() {
    QTest::addColumn<QString>("path");
    for (const auto& [what, path] : installedPaths())
        QTest::newRow(qPrintable(what)) << path;
}

void TestInstall::installedFiles() {
    QFETCH(QString, path);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(file.filePath()));
    QVERIFY(file.size() > 0);
    // Only the program is executable; data files are not.
    QCOMPARE(file.isExecutable(), path.startsWith(u"bin/"_s));
}

void TestInstall::iconSizes_data() {
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48})
        QTest::addRow("%d", size) << size;
}

void TestInstall::iconSizes() {
    QFETCH(int, size);
    const QImage image(installed(u"share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(appId)));
    QCOMPARE(image.size(), QSize(size, size));
    // A picture, not a blank square: some pixels opaque, the corners see-through.
    int opaque = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255;
    QVERIFY(opaque > size * size / 4);
    QCOMPARE(qAlpha(image.pixel(0, size - 1)), 0);
    QCOMPARE(qAlpha(image.pixel(size - 1, 0)), 0);
}

void TestInstall::desktopFindsTheEntryAndItsIcon() {
    const QString share = installed(u"share"_s);
    qputenv("XDG_DATA_DIRS", QFile::encodeName(share));
    const QString entry =
        QStandardPaths::locate(QStandardPaths::ApplicationsLocation, appId + u".desktop"_s);
    QCOMPARE(entry, installed(u"share/applications/%1.desktop"_s.arg(appId)));

    const QString iconName = desktopEntryKeys(entry).value(u"Icon"_s);
    QCOMPARE(iconName, appId);
    // hicolor's index.theme comes from the system (hicolor-icon-theme), the pictures from us.
    if (!QFileInfo::exists(u"/usr/share/icons/hicolor/index.theme"_s))
        QSKIP("hicolor-icon-theme is not installed");
    QIcon::setThemeSearchPaths({share + u"/icons"_s, u"/usr/share/icons"_s});
    QIcon::setThemeName(u"hicolor"_s);
    QVERIFY(QIcon::hasThemeIcon(iconName));
    const QIcon icon = QIcon::fromTheme(iconName);
    for (int size : {16, 32, 48})
        QCOMPARE(icon.pixmap(size, size).size(), QSize(size, size));
    // The scalable picture serves sizes no PNG was made for.
    QCOMPARE(icon.pixmap(128, 128).size(), QSize(128, 128));
}

void TestInstall::entryLaunchesTheInstalledBinary() {
    const auto keys = desktopEntryKeys(installed(u"share/applications/%1.desktop"_s.arg(appId)));
    QCOMPARE(keys.value(u"Type"_s), u"Application"_s);
    QCOMPARE(keys.value(u"Name"_s), u"Тарвелок"_s);
    QVERIFY(!keys.value(u"GenericName"_s).isEmpty());
    QVERIFY(!keys.value(u"GenericName[ru]"_s).isEmpty());
    QVERIFY(!keys.value(u"Comment"_s).isEmpty());
    QVERIFY(!keys.value(u"Comment[ru]"_s).isEmpty());
    QCOMPARE(keys.value(u"Categories"_s), u"Utility;FileTools;Qt;"_s);
    QCOMPARE(keys.value(u"Terminal"_s), u"false"_s);

    // File managers offer the program for folders and hand it the one chosen.
    QCOMPARE(keys.value(u"MimeType"_s), u"inode/directory;"_s);
    QCOMPARE(keys.value(u"Exec"_s).section(u' ', 1), u"%f"_s);
    const QString program = keys.value(u"Exec"_s).section(u' ', 0, 0);
    QCOMPARE(QStandardPaths::findExecutable(program, {installed(u"bin"_s)}),
             installed(u"bin/tarvelok"_s));
    // The X11 window class the entry promises is the one Qt gives the window (the binary's name).
    QCOMPARE(keys.value(u"StartupWMClass"_s), program);
}

void TestInstall::metainfoNamesTheProgram() {
    const Metainfo info = readMetainfo(installed(u"share/metainfo/%1.metainfo.xml"_s.arg(appId)));
    QCOMPARE(info.id, appId);
    QCOMPARE(info.launchable, appId + u".desktop"_s);
    QVERIFY(QFileInfo::exists(installed(u"share/applications/"_s + info.launchable)));
    QCOMPARE(info.binary, u"tarvelok"_s);
    QVERIFY(QFileInfo::exists(installed(u"bin/"_s + info.binary)));
    QCOMPARE(info.names, QStringList{u"Тарвелок"_s});
    QCOMPARE(info.summaryLanguages, (QStringList{u"C"_s, u"ru"_s}));

    // Every screenshot offered is one the repository keeps, so publishing docs/ serves them.
    QVERIFY(!info.screenshots.isEmpty());
    QVERIFY2(info.screenshots.first().endsWith(u"/screenshots/main.png"_s),
             qPrintable(info.screenshots.first()));
    for (const QString& url : info.screenshots) {
        const QString local =
            QStringLiteral(TARVELOK_SOURCE_DIR) + u"/docs/screenshots/"_s + url.section(u'/', -1);
        QVERIFY2(QFileInfo::exists(local), qPrintable(local));
    }
}

void TestInstall::validators_data() {
    addColumns<QString, QStringList>({"program", "arguments"});

    QTest::newRow("desktop-file-validate")
        << u"desktop-file-validate"_s
        << QStringList{installed(u"share/applications/%1.desktop"_s.arg(appId))};
    QTest::newRow("appstreamcli validate")
        << u"appstreamcli"_s
        << QStringList{u"validate"_s, u"--pedantic"_s, u"--no-net"_s,
                       installed(u"share/metainfo/%1.metainfo.xml"_s.arg(appId))};
}

void TestInstall::validators() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        QSKIP(qPrintable(program + u" is not installed"_s));
    const Run check = run(path, arguments);
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    // desktop-file-validate reports hints and warnings on a zero exit; take none of them.
    if (program == u"desktop-file-validate"_s)
        QVERIFY2(check.output.trimmed().isEmpty(), qPrintable(check.output));
}

void TestInstall::debianPackage() {
    const QString dpkgDeb = QStandardPaths::findExecutable(u"dpkg-deb"_s);
    if (dpkgDeb.isEmpty() || QStandardPaths::findExecutable(u"dpkg-shlibdeps"_s).isEmpty())
        QSKIP("dpkg-dev is not installed");

    QTemporaryDir out;
    QVERIFY(out.isValid());
    const Run pack =
        run(QStringLiteral(TARVELOK_CPACK),
            {u"-G"_s, u"DEB"_s, u"--config"_s,
             QStringLiteral(TARVELOK_BUILD_DIR) + u"/CPackConfig.cmake"_s, u"-B"_s, out.path()});
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
    const QStringList debs = QDir(out.path()).entryList({u"*.deb"_s}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs.first());

    const Run contents = run(dpkgDeb, {u"--contents"_s, deb});
    QCOMPARE(contents.exitCode, 0);
    QStringList paths;
    for (const QString& line : contents.output.split(u'\n', Qt::SkipEmptyParts))
        paths.append(line.section(u' ', -1).section(u"./"_s, 1));
    // The package holds everything the install puts in place, under /usr.
    for (const auto& entry : installedPaths()) {
        const QString expected = u"usr/"_s + entry.second;
        QVERIFY2(paths.contains(expected), qPrintable(expected + u" not in\n"_s + contents.output));
    }

    // The libraries the binary links, with their versions, and what it loads at run time: the
    // SVG icon engine for its pictures, the theme index for its launcher icon and Qt's Russian
    // texts.
    const Run depends = run(dpkgDeb, {u"--field"_s, deb, u"Depends"_s});
    QCOMPARE(depends.exitCode, 0);
    for (const QString& library :
         {u"libc6 (>="_s, u"libqt6core6 (>="_s, u"libqt6gui6 (>="_s, u"libqt6widgets6 (>="_s,
          u"libqt6svg6 (>="_s, u"hicolor-icon-theme"_s, u"qt6-translations-l10n"_s})
        QVERIFY2(depends.output.contains(library), qPrintable(depends.output));
}

QTEST_MAIN(TestInstall)
#include "test_install.moc"
