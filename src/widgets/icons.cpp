// The program's pictures.
#include "widgets/icons.h"

#include <QPixmap>

using namespace Qt::StringLiterals;

namespace widgets {

namespace {

QString pictureFile(Picture picture) {
    switch (picture) {
    case Picture::Notepad:
        return u":/icons/notepad.svg"_s;
    case Picture::Cross:
        return u":/icons/cross.svg"_s;
    case Picture::Question:
        return u":/icons/question.svg"_s;
    case Picture::ArrowRight:
        return u":/icons/arrow_right.svg"_s;
    case Picture::ArrowLeft:
        return u":/icons/arrow_left.svg"_s;
    case Picture::Magnifier:
        return u":/icons/magnifier.svg"_s;
    case Picture::Door:
        return u":/icons/door.svg"_s;
    case Picture::Warning:
        return u":/icons/warning.svg"_s;
    }
    return {};
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
