// Renders the program's SVG icon into the PNG sizes of the hicolor icon theme at build time, with
// the same renderer that draws it in the window, so the launcher and the title bar show one
// picture.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    // Needs no display: the build may run on a machine without one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || args.size() % 2 == 1) {
        std::fputs("usage: render_icons <icon.svg> <size> <out.png> [<size> <out.png> ...]\n",
                   stderr);
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icons: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    for (qsizetype i = 2; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size <= 0) {
            std::fprintf(stderr, "render_icons: bad size %s\n", qPrintable(args.at(i)));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString out = args.at(i + 1);
        if (!QDir().mkpath(QFileInfo(out).absolutePath()) || !image.save(out, "PNG")) {
            std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
