// Sorts keys beside their row numbers: breaking ties by row number is the stable sort of the
// name order, and a flat array of pairs sorts several times faster than indices into the rows.
#include "selection/file_order.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace selection {

namespace {

qint64 keyOf(const OrderRow& row, OrderKind kind) {
    switch (kind) {
    case OrderKind::ByModified:
        return row.modifiedNs;
    // A clip has no time taken, so its modification time puts it among the photos around it.
    case OrderKind::ByTaken:
        return row.takenNs.value_or(row.modifiedNs);
    case OrderKind::BySize:
        return row.size;
    case OrderKind::ByName:
        break;
    }
    return 0;
}

} // namespace

std::vector<qsizetype> fileOrder(std::span<const OrderRow> rows, OrderKind kind, bool reversed) {
    std::vector<qsizetype> order(rows.size());
    if (kind == OrderKind::ByName) {
        std::iota(order.begin(), order.end(), qsizetype(0));
    } else {
        std::vector<std::pair<qint64, qsizetype>> keyed(rows.size());
        for (size_t row = 0; row < rows.size(); ++row)
            keyed[row] = {keyOf(rows[row], kind), qsizetype(row)};
        std::sort(keyed.begin(), keyed.end());
        for (size_t k = 0; k < keyed.size(); ++k)
            order[k] = keyed[k].second;
    }
    if (reversed)
        std::reverse(order.begin(), order.end());
    return order;
}

} // namespace selection
