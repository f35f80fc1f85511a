// The rows of a file view taken as a list.
#include "platform/file_view.h"

namespace platform {

QStringList rowNames(const FileView& view, qsizetype count) {
    if (count < 0)
        count = view.count();
    QStringList names;
    names.reserve(count);
    for (qsizetype row = 0; row < count; ++row)
        names.append(view.name(row));
    return names;
}

} // namespace platform
