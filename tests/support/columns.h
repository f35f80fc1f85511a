// The columns of a data-driven test in one statement, types and names in the same order.
#pragma once

#include <QTest>
#include <array>

template <typename... Types>
void addColumns(const std::array<const char*, sizeof...(Types)>& names) {
    std::size_t at = 0;
    (QTest::addColumn<Types>(names[at++]), ...);
}
