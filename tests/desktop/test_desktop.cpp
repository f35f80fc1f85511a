// The real windows on real desktops: under openbox in Xvfb, where the window manager draws the
// frames that window positions are measured by, and under weston, a Wayland compositor that
// places the windows itself. Each server is started here and stopped at the end; a test skips
// when its server cannot start on this machine.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLibraryInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <list>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTwipsPerPixel = 15;

/// The report of window_probe: the first line starting with each key, the rest of the line.
using Report = QHash<QString, QString>;

QRect rectOf(const Report& report, const QString& key) {
    const QStringList parts = report.value(key).split(u' ');
    if (parts.size() != 4)
        return {};
    return {parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()};
}

/// `ok` after polling `ready` until it holds, for at most `ms` milliseconds.
bool waitFor(const std::function<bool()>& ready, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(25); // a real server starting up: nothing to wait on but time
    }
    return true;
}

/// Half of a size difference in whole twips, a half twip dropped toward zero.
int halfTwips(int differencePixels) {
    return differencePixels * kTwipsPerPixel / 2;
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowsPlacedByTheirFramesUnderOpenbox();
    void runsUnderWayland();
    void commandLineComplaintGoesToStandardError();

private:
    QProcess& start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment);
    Report runProbe(const QProcessEnvironment& environment);
    QString makeFolder();

    std::unique_ptr<QTemporaryDir> m_home;
    std::list<QProcess> m_servers; // stopped in reverse order of starting
};

void TestDesktop::init() {
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    QVERIFY(QFile::setPermissions(m_home->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
}

void TestDesktop::cleanup() {
    while (!m_servers.empty()) {
        QProcess& server = m_servers.back();
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(3000)) {
                server.kill();
                server.waitForFinished(3000);
            }
        }
        m_servers.pop_back();
    }
    m_home.reset();
}

QProcess& TestDesktop::start(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment) {
    QProcess& process = m_servers.emplace_back();
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    return process;
}

QString TestDesktop::makeFolder() {
    const QString folder = m_home->filePath(u"files"_s);
    QDir().mkpath(folder);
    for (const QString& name : {u"a.txt"_s, u"a.jpg"_s}) {
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly))
            return {};
    }
    return folder;
}

Report TestDesktop::runProbe(const QProcessEnvironment& environment) {
    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(WINDOW_PROBE), {makeFolder()});
    const bool finished = probe.waitForFinished(20000);
    if (!finished)
        probe.kill();
    Report report;
    const QString output = QString::fromUtf8(probe.readAllStandardOutput());
    qInfo("window_probe reported:\n%s", qPrintable(output.trimmed()));
    for (const QString& line : output.split(u'\n')) {
        const QString key = line.section(u' ', 0, 0);
        if (!key.isEmpty() && !report.contains(key))
            report.insert(key, line.section(u' ', 1));
    }
    if (!finished || probe.exitCode() != 0 || !report.contains(u"done"_s))
        qWarning("window_probe: %s", probe.readAllStandardError().constData());
    return report;
}

void TestDesktop::windowsPlacedByTheirFramesUnderOpenbox() {
    for (const char* tool : {"Xvfb", "openbox", "xprop"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(u"%1 is not installed (packages xvfb, openbox, x11-utils)"_s.arg(
                QString::fromLatin1(tool))));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"HOME"_s, m_home->path());
    environment.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u"config"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_home->path());
    // No session bus here: nothing may go looking for one.
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"disabled:"_s);

    // Xvfb picks a free display and writes its number to the given descriptor.
    QProcess& xvfb = start(
        u"Xvfb"_s,
        {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x800x24"_s, u"-nolisten"_s, u"tcp"_s},
        environment);
    QString display;
    waitFor(
        [&] {
            xvfb.waitForReadyRead(25);
            display = QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed();
            return !display.isEmpty() || xvfb.state() == QProcess::NotRunning;
        },
        5000);
    if (display.isEmpty())
        QSKIP("Xvfb did not start");
    environment.insert(u"DISPLAY"_s, u":"_s + display);

    start(u"openbox"_s, {u"--sm-disable"_s}, environment);
    // Ready once it has announced itself on the root window.
    const bool managed = waitFor(
        [&] {
            QProcess xprop;
            xprop.setProcessEnvironment(environment);
            xprop.start(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s});
            xprop.waitForFinished(2000);
            return xprop.readAllStandardOutput().contains("window id");
        },
        5000);
    if (!managed)
        QSKIP("openbox did not start under Xvfb");

    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    const Report report = runProbe(environment);
    QCOMPARE(report.value(u"platform"_s), u"xcb"_s);
    QVERIFY2(!report.contains(u"unsettled"_s), qPrintable(report.value(u"unsettled"_s)));
    QVERIFY(report.contains(u"done"_s));

    const QRect screen = rectOf(report, u"screen"_s);
    const QRect main = rectOf(report, u"main"_s);
    const QRect client = rectOf(report, u"client"_s);
    QVERIFY2(client.top() - main.top() >= 10, "no title bar: is the window managed?");
    QVERIFY(main.contains(client));

    // Centred on the screen by its outer frame.
    QVERIFY(qAbs(main.left() - (screen.left() + (screen.width() - main.width()) / 2)) <= 2);
    QVERIFY(qAbs(main.top() - (screen.top() + (screen.height() - main.height()) / 2)) <= 2);

    // The About window: frame over frame, each offset half the size difference in whole twips.
    const QRect about = rectOf(report, u"about"_s);
    const QRect mainThen = rectOf(report, u"main-under-about"_s);
    QVERIFY(about.height() > 245 && about.width() >= 224);
    const int aboutLeft =
        (mainThen.left() * kTwipsPerPixel + halfTwips(mainThen.width() - about.width())) /
        kTwipsPerPixel;
    const int aboutTop =
        (mainThen.top() * kTwipsPerPixel + halfTwips(mainThen.height() - about.height())) /
        kTwipsPerPixel;
    QVERIFY2(qAbs(about.left() - aboutLeft) <= 2 && qAbs(about.top() - aboutTop) <= 2,
             qPrintable(u"about at %1,%2, expected %3,%4"_s.arg(about.left())
                            .arg(about.top())
                            .arg(aboutLeft)
                            .arg(aboutTop)));

    // In the bottom-right corner the input box, asked for below and left of the window's
    // corner, is kept on the screen with its frame.
    const QRect cornered = rectOf(report, u"cornered"_s);
    QVERIFY(qAbs(cornered.right() - screen.right()) <= 2);
    QVERIFY(qAbs(cornered.bottom() - screen.bottom()) <= 2);
    const QRect input = rectOf(report, u"input"_s);
    QVERIFY(input.height() > 20 && input.width() > 20);
    const int askedLeft = (cornered.top() * kTwipsPerPixel + 100) / kTwipsPerPixel;
    const int askedTop = (cornered.left() * kTwipsPerPixel - 500) / kTwipsPerPixel;
    const int inputLeft = std::clamp(askedLeft, screen.left(), screen.right() + 1 - input.width());
    const int inputTop = std::clamp(askedTop, screen.top(), screen.bottom() + 1 - input.height());
    QVERIFY2(qAbs(input.left() - inputLeft) <= 2 && qAbs(input.top() - inputTop) <= 2,
             qPrintable(u"input box at %1,%2, expected %3,%4"_s.arg(input.left())
                            .arg(input.top())
                            .arg(inputLeft)
                            .arg(inputTop)));
    QVERIFY(screen.contains(input));
    for (const QString& dialog : {u"about"_s, u"input"_s, u"message"_s})
        QCOMPARE(report.value(dialog + u"-transient"_s), u"1"_s);
}

void TestDesktop::runsUnderWayland() {
    if (QStandardPaths::findExecutable(u"weston"_s).isEmpty())
        QSKIP("weston is not installed (package weston)");
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       u"/platforms/libqwayland-generic.so"_s))
        QSKIP("Qt has no Wayland platform plugin here (package qt6-wayland)");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.insert(u"HOME"_s, m_home->path());
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_home->path());
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"disabled:"_s);
    const QString socket = u"tarvelok-test"_s;
    QProcess& weston = start(u"weston"_s,
                             {u"--backend=headless-backend.so"_s, u"--socket="_s + socket,
                              u"--shell=desktop-shell.so"_s, u"--no-config"_s, u"--idle-time=0"_s,
                              u"--width=1280"_s, u"--height=800"_s,
                              u"--log="_s + m_home->filePath(u"weston.log"_s)},
                             environment);
    const bool listening = waitFor(
        [&] {
            return QFile::exists(m_home->filePath(socket)) ||
                   weston.state() == QProcess::NotRunning;
        },
        5000);
    if (!listening || weston.state() == QProcess::NotRunning)
        QSKIP("weston did not start with its headless backend");

    environment.insert(u"WAYLAND_DISPLAY"_s, socket);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
    const Report report = runProbe(environment);
    QCOMPARE(report.value(u"platform"_s), u"wayland"_s);
    QVERIFY2(!report.contains(u"unsettled"_s), qPrintable(report.value(u"unsettled"_s)));
    QCOMPARE(report.value(u"naming-page"_s), u"1"_s);
    QCOMPARE(report.value(u"previewed"_s), u"2"_s);
    QCOMPARE(report.value(u"selection-page"_s), u"1"_s);
    // The dialogs belong to the main window, so the compositor places them over it.
    for (const QString& dialog : {u"about"_s, u"input"_s, u"message"_s})
        QCOMPARE(report.value(dialog + u"-transient"_s), u"1"_s);
    QVERIFY(report.contains(u"done"_s));
}

void TestDesktop::commandLineComplaintGoesToStandardError() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_home->path());
    QProcess& program =
        start(QStringLiteral(TARVELOK), {m_home->filePath(u"no such folder"_s)}, environment);
    program.setReadChannel(QProcess::StandardError);
    QString said;
    waitFor(
        [&] {
            program.waitForReadyRead(25);
            said += QString::fromLocal8Bit(program.readAllStandardError());
            return said.contains(u'\n') || program.state() == QProcess::NotRunning;
        },
        10000);
    QVERIFY2(said.contains(u"tarvelok: "_s + m_home->filePath(u"no such folder"_s) +
                           u": No such file or directory"_s),
             qPrintable(said));
    QCOMPARE(program.state(), QProcess::Running); // and it started as without the argument
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
