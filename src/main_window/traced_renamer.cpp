// A file-rename service that leaves the real cause of every failure on standard error.
#include "main_window/traced_renamer.h"

#include "platform/file_names.h"

#include <cstdio>
#include <cstring>

namespace main_window {

int TracedRenamer::rename(const QString& folder, const QString& oldName, const QString& newName) {
    const int error = m_renamer.rename(folder, oldName, newName);
    if (error != 0) {
        // By their bytes, as the terminal shows the folder's other names.
        QByteArray path = platform::encodeFileName(folder);
        if (!path.endsWith('/'))
            path += '/';
        std::fprintf(stderr, "tarvelok: «%s» → «%s»: %s\n",
                     (path + platform::encodeFileName(oldName)).constData(),
                     platform::encodeFileName(newName).constData(), std::strerror(error));
    }
    return error;
}

} // namespace main_window
