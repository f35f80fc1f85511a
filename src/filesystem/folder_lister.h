// Reads a folder the way the views show it: files under a mask, or subfolders, in natural order.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace filesystem {

class FileMask;

/// The names of one listing in their order, as reversible text (platform::decodeFileName). All
/// names share one block of text instead of a string each: a folder of a million names takes
/// about fifty bytes a name.
class NameList {
public:
    qsizetype size() const { return qsizetype(m_spans.size()); }
    /// Valid while the list lives unchanged.
    QStringView at(qsizetype row) const {
        const Span span = m_spans[size_t(row)];
        return QStringView(m_text.data() + span.start, span.length);
    }
    QString name(qsizetype row) const { return at(row).toString(); }
    /// The inode number the listing read for the row (d_ino), which the journal of a pass keeps.
    quint64 fileId(qsizetype row) const { return m_ids[size_t(row)]; }
    QStringList toStringList() const;

private:
    friend class NameListBuilder;
    struct Span {
        qsizetype start : 48;
        qsizetype length : 16; // at most 255 UTF-16 units (exFAT) or 255 bytes (ext4)
    };
    std::vector<char16_t> m_text;
    std::vector<Span> m_spans;
    std::vector<quint64> m_ids;
};

/// The regular files of `folder`, and the links to regular files, whose names match `mask`;
/// no folders, no hidden names (starting with "."). Sorted by naturalLess. Empty optional when
/// the folder cannot be read.
std::optional<NameList> listFiles(const QString& folder, const FileMask& mask);

/// The subfolders of `folder`, and the links to folders, without hidden ones. Names that are not
/// valid UTF-8 are left out: no path written as text could open them again.
std::optional<NameList> listSubfolders(const QString& folder);

/// The entries of one folder by their bytes, in the order read: their names in one block, and per
/// entry where its name lies and its inode number (d_ino).
struct FolderEntries {
    struct Entry {
        quint64 fileId;
        qsizetype at;
        qsizetype length;
    };
    std::string names;
    std::vector<Entry> entries;
    QByteArrayView name(const Entry& entry) const {
        return QByteArrayView(names.data() + entry.at, entry.length);
    }
};

/// The entries of the folder open as `fd` as the kernel hands them over (getdents64), each name
/// whole however long its file system lets it be. readdir's dirent declares its name as 256
/// bytes, and the compiler takes that at its word: exFAT and NTFS names of up to 765 bytes came
/// out cut.
class EntryReader {
public:
    struct Entry {
        QByteArrayView name;
        quint64 fileId;
        unsigned char type; ///< DT_REG, DT_DIR, DT_LNK, DT_UNKNOWN...
    };

    /// Reads the folder open as `fd`, which stays the caller's, from its start.
    explicit EntryReader(int fd)
        : m_fd(fd) {}

    /// The next entry, "." and ".." included; nothing at the end, or on an error with errno set
    /// (failed() then says so).
    std::optional<Entry> next();

    bool failed() const { return m_failed; }

private:
    int m_fd;
    alignas(8) std::array<char, 32768> m_buffer;
    size_t m_size = 0;
    size_t m_at = 0;
    bool m_failed = false;
};

/// Every entry of the folder open as `folderFd` but "." and "..", hidden ones too, whatever its
/// type. Empty optional, with errno set, when the folder cannot be read to its end.
std::optional<FolderEntries> readEntries(int folderFd);

/// `path` made absolute and clean ("/a/b/" and "/a/./b" give "/a/b"); "" stays "".
QString cleanFolderPath(const QString& path);

/// Whether `folder` can be opened and read as a folder.
bool canOpenFolder(const QString& folder);

/// The folder that `path` (absolute or relative to the current folder) stands for when a user
/// hands it over: the path itself when it is a folder, else the folder holding the file it names.
/// Clean and absolute; empty, with the reason in `why` when given, when that cannot be opened.
std::optional<QString> folderToOpen(const QString& path, QString* why = nullptr);

/// The process's current folder by its bytes (platform::decodeFileName), so that a folder whose
/// name is not UTF-8 is not mistaken for a sibling spelt with U+FFFD. Empty when it is gone.
QString currentFolder();

} // namespace filesystem
