// What a rename pass will meet in a folder, read at one moment: the seam through which the
// preview's check sees the disk.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class EntryType : quint8 {
    File,   ///< a regular file
    Link,   ///< a symbolic link, whatever it points to
    Folder, ///< a folder
    Other,  ///< a pipe, socket or device
};

/// A folder's entries by the bytes of their names: the names in one block and a table of slots,
/// a few bytes an entry where a hash of strings took a string and a node each. Names change as a
/// pass would change them: take the old one, insert the new.
class EntryTable {
public:
    qsizetype size() const { return m_live; }
    bool isEmpty() const { return m_live == 0; }
    /// Room for `count` entries without growing the table meanwhile.
    void reserve(qsizetype count);
    /// Adds `name`, or gives the entry of that name the type `type`.
    void insert(QByteArrayView name, EntryType type);
    std::optional<EntryType> find(QByteArrayView name) const;
    bool contains(QByteArrayView name) const { return find(name).has_value(); }
    /// Removes the entry of `name` and tells its type; nullopt when there is none.
    std::optional<EntryType> take(QByteArrayView name);
    void clear();
    /// The hash the table keys `name` by, for tables of names kept beside it.
    static quint32 hashOf(QByteArrayView name);

    /// Calls `visit(QByteArrayView name, EntryType type)` for every entry, in the order added.
    template <typename Visit> void forEach(Visit visit) const {
        for (const Entry& entry : m_entries)
            if (entry.live())
                visit(nameOf(entry), entry.type);
    }

private:
    struct Entry {
        /// Where the name starts in m_names (a folder's names come nowhere near 4 GiB), or
        /// kGone once the entry is taken.
        quint32 at;
        quint16 length;
        EntryType type;
        /// Eight bits of the name's hash, so that a probe reads few names that are not it.
        quint8 tag;
        bool live() const { return at != kGone; }
    };
    static constexpr quint32 kGone = 0xFFFFFFFF;
    static constexpr quint32 kEmpty = 0xFFFFFFFF;
    static constexpr quint32 kRemoved = 0xFFFFFFFE;

    QByteArrayView nameOf(const Entry& entry) const {
        return QByteArrayView(m_names.data() + entry.at, entry.length);
    }
    /// The slot holding `name`, or where it would go when absent.
    size_t slotOf(QByteArrayView name, quint32 hash) const;
    void rehash(size_t slotCount);

    std::string m_names;
    std::vector<Entry> m_entries;
    /// Indexes into m_entries, kEmpty or kRemoved; a power of two in size, at most half in use.
    std::vector<quint32> m_slots;
    qsizetype m_live = 0;
    qsizetype m_removed = 0;
};

/// What keeps the user from renaming one file, where the folder itself lets them.
enum class FileGuard : quint8 {
    Unchangeable,         ///< the file is immutable or append-only (chattr +i, +a)
    OthersInStickyFolder, ///< the folder has the sticky bit, and neither it nor the file is the
                          ///< user's
};

struct FolderSurvey {
    /// False when the folder is gone or cannot be read; then nothing below is known.
    bool readable = false;
    /// Whether the user may create and remove names in it, on a file system mounted read-write.
    bool writable = false;
    /// The longest name the file system takes, in bytes, or in UTF-16 units where
    /// `nameMaxInUtf16Units`; 0 when unknown.
    qint64 nameMax = 0;
    bool nameMaxInUtf16Units = false;
    /// Whether FAT's rules for names apply (isFatName).
    bool fatNames = false;
    /// Whether names that differ only in letter case are one name there.
    bool ignoresCase = false;
    /// Where case is ignored, whether only ASCII letters fold (FAT) rather than all the letters
    /// that caselessKey folds.
    bool foldsAsciiOnly = false;
    /// Whether the driver takes only ASCII names.
    bool asciiNamesOnly = false;
    /// The folder is immutable or append-only: no name in it may change.
    bool unchangeable = false;
    /// Of the names the survey was asked about, those whose files the user may not rename.
    QHash<QString, FileGuard> guardedFiles;
    /// Every entry but "." and "..", by the bytes of its name.
    EntryTable entries;
};

class FolderSurveyor {
public:
    virtual ~FolderSurveyor() = default;

    /// Reads `folder` without changing anything on the disk; of its files, only those named in
    /// `renamed` are looked at one by one (guardedFiles), since that costs a call per file.
    virtual FolderSurvey survey(const QString& folder, const QStringList& renamed) const = 0;
};

/// Whether `name` stays inside its folder and names an entry of it: not empty, not "." or "..",
/// no "/" and no NUL. Renames to any other name fail on every file system.
bool isPlainName(const QByteArray& name);

/// Whether `name` has the form of the names a rename moves a file to on its way ("tarvelok-"
/// and a number in base 36): the only names besides a row's own that its repair may touch.
bool isAsideName(QByteArrayView name);

/// Whether FAT's rules allow `name`: no control character, none of " * : < > ? \ |, and no
/// trailing dot or blank.
bool isFatName(const QByteArray& name);

/// Whether every byte of `name` is ASCII.
bool isAsciiName(QByteArrayView name);

} // namespace platform
