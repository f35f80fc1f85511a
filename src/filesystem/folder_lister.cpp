// The folder listing on POSIX: opendir/readdir keep every name's bytes, where QDir would silently
// drop the names that are not valid UTF-8, and d_type spares a stat call for nearly every entry.
#include "filesystem/folder_lister.h"

#include "filesystem/file_mask.h"
#include "filesystem/natural_order.h"
#include "platform/file_names.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace filesystem {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle openFolder(const QString& folder) {
    if (folder.isEmpty())
        return {};
    const int fd =
        ::open(platform::encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    DIR* dir = fdopendir(fd);
    if (!dir)
        ::close(fd);
    return DirHandle(dir);
}

enum class Kind { File, Folder, Other };

Kind kindOf(DIR* dir, const dirent* entry) {
    switch (entry->d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        // Some file systems leave d_type unknown; a link counts as what it points to.
        struct stat status {};
        if (fstatat(dirfd(dir), entry->d_name, &status, 0) != 0)
            return Kind::Other;
        if (S_ISREG(status.st_mode))
            return Kind::File;
        if (S_ISDIR(status.st_mode))
            return Kind::Folder;
        return Kind::Other;
    }
    default:
        return Kind::Other;
    }
}

struct Candidate {
    QByteArray bytes;
    QString name;
    std::string key;
};

struct SortEntry {
    quint64 high;
    quint64 low;
    quint32 index;
};

// The first 16 bytes of `key`, big-endian and padded with zeros, so integer order follows byte
// order: a key that sorts before another never gets a larger prefix.
SortEntry sortEntry(const std::string& key, quint32 index) {
    unsigned char bytes[16] = {};
    std::copy_n(key.data(), std::min<size_t>(key.size(), 16), bytes);
    quint64 high = 0;
    quint64 low = 0;
    for (int i = 0; i < 8; ++i) {
        high = high << 8 | bytes[i];
        low = low << 8 | bytes[8 + i];
    }
    return {high, low, index};
}

// Reads every visible entry of `kind` that `accept` takes, sorted; empty optional on any error.
template <typename Accept>
std::optional<QList<ListedName>> readFolder(const QString& folder, Kind wanted, Accept accept) {
    DirHandle dir = openFolder(folder);
    if (!dir)
        return std::nullopt;

    std::vector<Candidate> found;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                return std::nullopt;
            break;
        }
        if (entry->d_name[0] == '.')
            continue; // hidden, and "." and ".."
        // The kind of a link needs a stat call, so the cheap tests come first.
        const unsigned char type = entry->d_type;
        if ((type == DT_REG && wanted != Kind::File) || (type == DT_DIR && wanted != Kind::Folder))
            continue;
        if (type != DT_REG && type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
            continue;

        Candidate candidate;
        candidate.bytes = QByteArray(entry->d_name);
        candidate.name = platform::decodeFileName(candidate.bytes);
        const QString folded = candidate.name.toCaseFolded();
        if (!accept(candidate, folded))
            continue;
        if (type != DT_REG && type != DT_DIR && kindOf(dir.get(), entry) != wanted)
            continue;
        candidate.key = naturalSortKey(folded);
        found.push_back(std::move(candidate));
    }

    // Sorting small fixed-size entries by the first 16 key bytes settles nearly every comparison
    // with two integer compares in cache; only equal prefixes look at the whole keys.
    std::vector<SortEntry> order;
    order.reserve(found.size());
    for (size_t i = 0; i < found.size(); ++i)
        order.push_back(sortEntry(found[i].key, quint32(i)));
    std::sort(order.begin(), order.end(), [&found](const SortEntry& a, const SortEntry& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        const Candidate& x = found[a.index];
        const Candidate& y = found[b.index];
        return naturalLess(x.key, x.name, x.bytes, y.key, y.name, y.bytes);
    });
    QList<ListedName> names;
    names.reserve(qsizetype(found.size()));
    for (const SortEntry& entry : order) {
        Candidate& candidate = found[entry.index];
        names.append({std::move(candidate.bytes), std::move(candidate.name)});
    }
    return names;
}

} // namespace

std::optional<QList<ListedName>> listFiles(const QString& folder, const FileMask& mask) {
    return readFolder(folder, Kind::File, [&mask](const Candidate&, const QString& folded) {
        return mask.matchesFolded(folded);
    });
}

std::optional<QList<ListedName>> listSubfolders(const QString& folder) {
    return readFolder(folder, Kind::Folder, [](const Candidate& candidate, const QString&) {
        return !platform::hasEscapedBytes(candidate.name);
    });
}

bool canOpenFolder(const QString& folder) {
    DirHandle dir = openFolder(folder);
    if (!dir)
        return false;
    errno = 0;
    return readdir(dir.get()) != nullptr || errno == 0;
}

} // namespace filesystem
