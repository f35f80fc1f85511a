// The order in which the files of a folder are numbered, computed on values.
#pragma once

#include <QtGlobal>
#include <optional>
#include <span>
#include <vector>

namespace selection {

enum class OrderKind : quint8 {
    ByName,     ///< as listed
    ByModified, ///< modification time
    ByTaken,    ///< time taken, or the modification time of a file without one
    BySize,
};

/// What a file brings to its order besides its name.
struct OrderRow {
    qint64 modifiedNs = 0;
    qint64 size = 0;
    std::optional<qint64> takenNs;
};

/// The rows' indices in the order `kind` gives, from `rows` as listed in name order. Files that
/// tie keep their name order; `reversed` turns the whole order round, ties included.
std::vector<qsizetype> fileOrder(std::span<const OrderRow> rows, OrderKind kind, bool reversed);

} // namespace selection
