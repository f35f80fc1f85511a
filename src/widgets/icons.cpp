// The program's pictures.
#include "widgets/icons.h"

#include <QPixmap>
#include <array>

using namespace Qt::StringLiterals;

namespace widgets {

namespace {

QString pictureFile(Picture picture) {
    // In the order of Picture.
    static constexpr std::array files{"notepad",    "cross",     "question", "arrow_right",
                                      "arrow_left", "magnifier", "door",     "warning"};
    static_assert(files.size() == size_t(Picture::Warning) + 1);
    return u":/icons/"_s + QLatin1StringView(files[size_t(picture)]) + u".svg"_s;
}

} // namespace

QIcon pictureIcon(Picture picture) {
    return QIcon(pictureFile(picture));
}

QIcon windowIcon() {
    const QIcon scalable = pictureIcon(Picture::Notepad);
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(scalable.pixmap(size, size));
    return icon;
}

QIcon warningIcon() {
    return QIcon::fromTheme(u"dialog-warning"_s, pictureIcon(Picture::Warning));
}

QIcon renameIcon() {
    QIcon icon = pictureIcon(Picture::Notepad);
    icon.addFile(pictureFile(Picture::Cross), {}, QIcon::Disabled);
    return icon;
}

} // namespace widgets
