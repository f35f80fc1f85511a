// The whole workflow in the real window over a real folder: start-up, "Далее", the preview and
// the rename pass, each timed on its own, beside a bare readdir of the same folder.
#include "main_window/frm_rename.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class QuietDialogs final : public platform::Dialogs {
public:
    int shown = 0;
    void message(const QString&, const QString&) override { ++shown; }
    QString input(const QString&, const QString&, const QString&, QPointF) override {
        ++shown;
        return {};
    }
};

bool makeFiles(const QString& folder, int count) {
    const QByteArray base = QFile::encodeName(folder) + '/';
    for (int k = 0; k < count; ++k) {
        const QByteArray path = base + QByteArray("IMG_") + QByteArray::number(k) + ".JPG";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

double milliseconds(QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

void click(QWidget& window, const char* name) {
    window.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

// One run is one user's session on the folder; the counters give each step's time.
void BM_Workflow(benchmark::State& state) {
    const int count = int(state.range(0));
    QTemporaryDir dir;
    if (!dir.isValid() || !makeFiles(dir.path(), count)) {
        state.SkipWithError("cannot make the folder");
        return;
    }
    const QString startFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    double readdirMs = 0, startMs = 0, nextMs = 0, previewMs = 0, renameMs = 0;
    int round = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        DIR* folder = ::opendir(QFile::encodeName(dir.path()).constData());
        int entries = 0;
        while (::readdir(folder))
            ++entries;
        ::closedir(folder);
        benchmark::DoNotOptimize(entries);
        readdirMs += milliseconds(timer);

        QuietDialogs dialogs;
        timer.restart();
        main_window::frmRename window(&dialogs);
        window.show();
        QApplication::processEvents();
        startMs += milliseconds(timer);

        timer.restart();
        click(window, "cmdOK");
        QApplication::processEvents();
        nextMs += milliseconds(timer);

        // Alternate base names, so that every run renames every file.
        window.findChild<QLineEdit*>(u"txtName"_s)->setText(round++ % 2 ? u"a"_s : u"b"_s);
        window.findChild<QComboBox*>(u"cboDop"_s)->setCurrentIndex(2);
        timer.restart();
        click(window, "cmdLook");
        QApplication::processEvents();
        previewMs += milliseconds(timer);

        timer.restart();
        click(window, "cmdRename");
        QApplication::processEvents();
        renameMs += milliseconds(timer);
        if (dialogs.shown != 0)
            state.SkipWithError("a dialog came up");
    }
    QDir::setCurrent(startFolder);
    const double runs = double(state.iterations());
    state.counters["bare_readdir_ms"] = readdirMs / runs;
    state.counters["start_ms"] = startMs / runs;
    state.counters["next_ms"] = nextMs / runs;
    state.counters["preview_ms"] = previewMs / runs;
    state.counters["rename_ms"] = renameMs / runs;
}

} // namespace

BENCHMARK(BM_Workflow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
