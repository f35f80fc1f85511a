// The swap pre-pass of the rename pass: a new name that a listed file already carries goes to that
// file.
#pragma once

#include <QStringList>
#include <functional>
#include <vector>

namespace renaming {

/// For every row i in order, and within it every row j in order, exchanges new names i and j when
/// new name i, upper-cased, equals current name j, upper-cased; row i goes on comparing with its
/// new content, later rows see every exchange. A current row past the end of `currentNames` reads
/// as "". Runs in about linear time, yet makes exactly the exchanges of that pairwise scan.
///
/// Linux lets a folder hold names that differ only in letter case (and names whose bytes differ
/// only where they are not UTF-8, which differ as text too). A new name that some current name
/// equals exactly goes only to that row, never to a row of another letter case; only a name that
/// no current name equals exactly goes to rows that equal it ignoring case. Where no two current
/// names are equal ignoring case, this changes nothing.
QStringList swapPrePass(QStringList newNames, const QStringList& currentNames);

/// The same, reading current row j (below newNames.size()) through `currentName`, so a large
/// folder's names need not all be held as strings at once.
QStringList swapPrePass(QStringList newNames,
                        const std::function<QString(qsizetype row)>& currentName);

/// The same exchanges made on row numbers: row k takes the new name of row order[k], so a large
/// list's names are neither copied nor moved.
std::vector<quint32> swapPrePassOrder(const QStringList& newNames,
                                      const std::function<QString(qsizetype row)>& currentName);

} // namespace renaming
