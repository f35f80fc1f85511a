// What the user reads on a row of lstNew whose rename will fail.
#pragma once

#include "renaming/verdicts.h"

#include <QHash>
#include <QList>
#include <QString>

namespace main_window {

/// The reason for one row.
QString reasonText(const renaming::Verdict& verdict);

/// The reasons for every failing row, by row.
QHash<qsizetype, QString> reasonTexts(const QList<renaming::Verdict>& failing);

} // namespace main_window
