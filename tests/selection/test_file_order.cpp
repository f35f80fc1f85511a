// The numbering order on values: ties, the fallback of a file without a time taken, reversal.
#include "selection/file_order.h"

#include <QTest>

using selection::OrderKind;
using selection::OrderRow;
using Rows = std::vector<OrderRow>;
using Order = std::vector<qsizetype>;

class TestFileOrder : public QObject {
    Q_OBJECT

private slots:
    void order_data() {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<OrderKind>("kind");
        QTest::addColumn<Order>("expected");
        // Modified, size, taken; the rows stand in name order.
        const Rows ties{{5, 30, 7}, {2, 10, {}}, {5, 30, 7}, {2, 20, 1}};
        QTest::newRow("equal times keep name order")
            << ties << OrderKind::ByModified << Order{1, 3, 0, 2};
        QTest::newRow("no time taken falls back to modified")
            << ties << OrderKind::ByTaken << Order{3, 1, 0, 2};
        const Rows far{{-5, 1, std::numeric_limits<qint64>::min()},
                       {0, 1, std::numeric_limits<qint64>::max()},
                       {0, 1, 0}};
        QTest::newRow("times at the ends of the range")
            << far << OrderKind::ByTaken << Order{0, 2, 1};
    }
    void order() {
        QFETCH(Rows, rows);
        QFETCH(OrderKind, kind);
        QFETCH(Order, expected);
        QCOMPARE(selection::fileOrder(rows, kind, false), expected);
        // Reversed turns round the whole order, ties included, not the key alone.
        QCOMPARE(selection::fileOrder(rows, kind, true), Order(expected.rbegin(), expected.rend()));
    }
};

QTEST_GUILESS_MAIN(TestFileOrder)
#include "test_file_order.moc"
