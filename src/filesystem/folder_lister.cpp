// The folder listing on Linux: getdents64 keeps every name's bytes, where QDir would silently
// drop the names that are not valid UTF-8, and d_type spares a stat call for nearly every entry.
#include "filesystem/folder_lister.h"

#include "filesystem/file_mask.h"
#include "filesystem/natural_order.h"
#include "platform/file_names.h"

#include <QDir>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace filesystem {

namespace {

/// An open descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

int openFolder(const QString& folder) {
    if (folder.isEmpty())
        return -1;
    return ::open(platform::encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool isDotOrDotDot(QByteArrayView name) {
    return name == "." || name == "..";
}

enum class Kind { File, Folder, Other };

Kind kindOf(int folderFd, const EntryReader::Entry& entry) {
    switch (entry.type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        // Some file systems leave d_type unknown; a link counts as what it points to.
        struct stat status {};
        if (fstatat(folderFd, entry.name.toByteArray().constData(), &status, 0) != 0)
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

// Most names are plain ASCII, whose text is the bytes widened and whose case folding maps A-Z
// alone. Those are decoded and folded here into the same two strings every time, which spares a
// million names two allocations each; false, leaving the strings to the caller, for any other.
bool decodeAscii(QByteArrayView bytes, QString& name, QString& folded) {
    const size_t length = size_t(bytes.size());
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    name.resize(qsizetype(length));
    folded.resize(qsizetype(length));
    QChar* text = name.data();
    QChar* foldedText = folded.data();
    for (size_t i = 0; i < length; ++i) {
        const char byte = bytes[i];
        text[i] = QLatin1Char(byte);
        foldedText[i] = QLatin1Char(byte >= 'A' && byte <= 'Z' ? char(byte - 'A' + 'a') : byte);
    }
    return true;
}

struct SortEntry {
    quint64 high;
    quint64 low;
    quint32 index;
};

// The first 16 bytes of `key`, big-endian and padded with zeros, so integer order follows byte
// order: a key that sorts before another never gets a larger prefix.
SortEntry sortEntry(std::string_view key, quint32 index) {
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

unsigned byteOf(const SortEntry& entry, int position) {
    const quint64 half = position < 8 ? entry.high : entry.low;
    return unsigned(half >> (56 - 8 * (position % 8))) & 0xFF;
}

// By (high, low): one stable counting pass per byte, the last byte first. A byte that all entries
// share needs no pass, and names of one pattern share most of them ("IMG_", the digit count).
void radixSort(std::vector<SortEntry>& entries) {
    std::array<std::array<size_t, 256>, 16> counts{};
    for (const SortEntry& entry : entries)
        for (int position = 0; position < 16; ++position)
            ++counts[size_t(position)][byteOf(entry, position)];
    std::vector<SortEntry> sorted;
    for (int position = 15; position >= 0; --position) {
        std::array<size_t, 256>& count = counts[size_t(position)];
        if (std::find(count.begin(), count.end(), entries.size()) != count.end())
            continue;
        size_t next = 0;
        for (size_t& slot : count)
            next += std::exchange(slot, next);
        sorted.resize(entries.size());
        for (const SortEntry& entry : entries)
            sorted[count[byteOf(entry, position)]++] = entry;
        entries.swap(sorted);
    }
}

} // namespace

// Collects names in the order read, then hands them over sorted. The names go into one block,
// and of each sort key only its first 16 bytes are kept: a large folder costs a few allocations,
// not three a name, and the rare names whose prefixes tie have their keys made again.
class NameListBuilder {
public:
    void add(QStringView name, QStringView folded, quint64 fileId) {
        m_list.m_spans.push_back({qsizetype(m_list.m_text.size()), name.size()});
        m_list.m_ids.push_back(fileId);
        const size_t at = m_list.m_text.size();
        m_list.m_text.resize(at + size_t(name.size()));
        std::copy_n(name.utf16(), name.size(), m_list.m_text.data() + at);
        m_key.clear();
        appendNaturalSortKey(m_key, folded);
        m_order.push_back(sortEntry(m_key, quint32(m_order.size())));
    }

    NameList sorted() && {
        const size_t count = m_order.size();
        radixSort(m_order);
        std::vector<std::string> keys;
        for (size_t first = 0; first < count;) {
            size_t end = first + 1;
            while (end < count && m_order[end].high == m_order[first].high &&
                   m_order[end].low == m_order[first].low)
                ++end;
            if (end - first > 1)
                sortByWholeKeys(first, end, keys);
            first = end;
        }
        std::vector<NameList::Span> spans;
        std::vector<quint64> ids;
        spans.reserve(count);
        ids.reserve(count);
        for (const SortEntry& entry : m_order) {
            spans.push_back(m_list.m_spans[entry.index]);
            ids.push_back(m_list.m_ids[entry.index]);
        }
        std::vector<SortEntry>().swap(m_order);
        m_list.m_spans = std::move(spans);
        m_list.m_ids = std::move(ids);
        m_list.m_text.shrink_to_fit();
        return std::move(m_list);
    }

private:
    // Entries [first, end) share their 16-byte prefixes.
    void sortByWholeKeys(size_t first, size_t end, std::vector<std::string>& keys) {
        keys.resize(end - first);
        std::vector<quint32> rank(end - first);
        for (size_t i = first; i < end; ++i) {
            keys[i - first].clear();
            appendNaturalSortKey(keys[i - first],
                                 m_list.at(m_order[i].index).toString().toCaseFolded());
            rank[i - first] = quint32(i - first);
        }
        std::sort(rank.begin(), rank.end(), [&](quint32 a, quint32 b) {
            return naturalLess(keys[a], m_list.at(m_order[first + a].index), keys[b],
                               m_list.at(m_order[first + b].index));
        });
        std::vector<SortEntry> run;
        run.reserve(end - first);
        for (const quint32 r : rank)
            run.push_back(m_order[first + r]);
        std::copy(run.begin(), run.end(), m_order.begin() + qsizetype(first));
    }

    NameList m_list;
    std::vector<SortEntry> m_order;
    std::string m_key;
};

namespace {

// Reads every visible entry of `kind` that `accept` takes, sorted; empty optional on any error.
template <typename Accept>
std::optional<NameList> readFolder(const QString& folder, Kind wanted, Accept accept) {
    const Descriptor dir(openFolder(folder));
    if (dir.get() < 0)
        return std::nullopt;

    NameListBuilder found;
    QString name;
    QString folded;
    EntryReader reader(dir.get());
    while (const std::optional<EntryReader::Entry> entry = reader.next()) {
        if (entry->name.startsWith('.'))
            continue; // hidden, and "." and ".."
        // The kind of a link needs a stat call, so the cheap tests come first.
        const unsigned char type = entry->type;
        if ((type == DT_REG && wanted != Kind::File) || (type == DT_DIR && wanted != Kind::Folder))
            continue;
        if (type != DT_REG && type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
            continue;

        if (!decodeAscii(entry->name, name, folded)) {
            name = platform::decodeFileName(entry->name);
            folded = name.toCaseFolded();
        }
        if (!accept(name, folded))
            continue;
        if (type != DT_REG && type != DT_DIR && kindOf(dir.get(), *entry) != wanted)
            continue;
        found.add(name, folded, entry->fileId);
    }
    if (reader.failed())
        return std::nullopt;
    return std::move(found).sorted();
}

} // namespace

std::optional<EntryReader::Entry> EntryReader::next() {
    if (m_at >= m_size) {
        const ssize_t read = ::getdents64(m_fd, m_buffer.data(), m_buffer.size());
        if (read <= 0) {
            m_failed = read < 0;
            return std::nullopt;
        }
        m_size = size_t(read);
        m_at = 0;
    }
    const char* record = m_buffer.data() + m_at;
    quint64 fileId;
    unsigned short length;
    std::memcpy(&fileId, record + offsetof(struct dirent64, d_ino), sizeof fileId);
    std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
    const char* name = record + offsetof(struct dirent64, d_name);
    const size_t room = length - offsetof(struct dirent64, d_name);
    m_at += length;
    return Entry{QByteArrayView(name, qsizetype(::strnlen(name, room))), fileId,
                 static_cast<unsigned char>(record[offsetof(struct dirent64, d_type)])};
}

QStringList NameList::toStringList() const {
    QStringList names;
    names.reserve(size());
    for (qsizetype row = 0; row < size(); ++row)
        names.append(name(row));
    return names;
}

std::optional<NameList> listFiles(const QString& folder, const FileMask& mask) {
    return readFolder(folder, Kind::File, [&mask](const QString&, const QString& folded) {
        return mask.matchesFolded(folded);
    });
}

std::optional<NameList> listSubfolders(const QString& folder) {
    return readFolder(folder, Kind::Folder, [](const QString& name, const QString&) {
        return !platform::hasEscapedBytes(name);
    });
}

std::optional<FolderEntries> readEntries(int folderFd) {
    // A descriptor of its own, so that the reading starts at the folder's first entry.
    const Descriptor dir(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return std::nullopt;
    FolderEntries found;
    EntryReader reader(dir.get());
    while (const std::optional<EntryReader::Entry> entry = reader.next()) {
        if (isDotOrDotDot(entry->name))
            continue;
        found.entries.push_back({entry->fileId, qsizetype(found.names.size()), entry->name.size()});
        found.names.append(entry->name.data(), size_t(entry->name.size()));
    }
    if (reader.failed())
        return std::nullopt;
    return found;
}

QString cleanFolderPath(const QString& path) {
    if (path.isEmpty())
        return {};
    if (path.startsWith(u'/'))
        return QDir::cleanPath(path);
    // Against the working folder's own bytes: Qt's idea of it goes through text, and a folder
    // named "d\xe9" would come back as its sibling "d\xef\xbf\xbd".
    const QString current = currentFolder();
    return current.isEmpty() ? QString() : QDir::cleanPath(current + u'/' + path);
}

bool canOpenFolder(const QString& folder) {
    const Descriptor dir(openFolder(folder));
    if (dir.get() < 0)
        return false;
    EntryReader reader(dir.get());
    return reader.next() || !reader.failed();
}

std::optional<QString> folderToOpen(const QString& path, QString* why) {
    const auto fail = [why](int error) -> std::optional<QString> {
        if (why)
            *why = QString::fromLocal8Bit(std::strerror(error));
        return std::nullopt;
    };
    if (path.isEmpty())
        return fail(ENOENT);
    QString folder = cleanFolderPath(path);
    if (folder.isEmpty())
        return fail(errno != 0 ? errno : ENOENT);
    struct stat status {};
    if (::stat(platform::encodeFileName(folder).constData(), &status) != 0)
        return fail(errno);
    if (!S_ISDIR(status.st_mode)) {
        const qsizetype slash = folder.lastIndexOf(u'/');
        folder = slash > 0 ? folder.left(slash) : QStringLiteral("/");
    }
    errno = 0;
    if (!canOpenFolder(folder))
        return fail(errno != 0 ? errno : EACCES);
    return folder;
}

QString currentFolder() {
    std::string path(4096, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        path.resize(path.size() * 2);
    }
    return platform::decodeFileName(QByteArrayView(path.c_str()));
}

} // namespace filesystem
