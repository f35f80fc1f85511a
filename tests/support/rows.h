// The rows of a list view's model as the user reads them.
#pragma once

#include <QAbstractItemModel>
#include <QStringList>

/// The display texts of a model's rows, top to bottom.
inline QStringList rowTexts(const QAbstractItemModel& model) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, 0).data().toString());
    return texts;
}
