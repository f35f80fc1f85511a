// What the orders other than by name need of each listed file, read only when such an order is
// chosen: the plain listing stays one readdir.
#pragma once

#include <QString>
#include <vector>

namespace filesystem {

class NameList;

struct FileStat {
    qint64 modifiedNs = 0;
    qint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    /// The name itself is a regular file, not a link to one.
    bool regular = false;
};

/// One entry a name of `names` in `folder`. A link gives the time and size of the file it leads
/// to; a name gone since the listing gives zeros.
std::vector<FileStat> statFiles(const QString& folder, const NameList& names);

} // namespace filesystem
