// The swap pre-pass of the rename pass: a new name that a listed file already carries goes to that
// file.
#pragma once

#include <QStringList>

namespace renaming {

/// For every row i in order, and within it every row j in order, exchanges new names i and j when
/// new name i, upper-cased, equals current name j, upper-cased; row i goes on comparing with its
/// new content, later rows see every exchange. A current row past the end of `currentNames` reads
/// as "". Runs in about linear time, yet makes exactly the exchanges of that pairwise scan.
QStringList swapPrePass(QStringList newNames, const QStringList& currentNames);

} // namespace renaming
