// The order of the file views, chosen in their context menu: by name, by time modified, by time
// taken, by size, and reversed. The choice holds while the program runs; nothing is stored.
#pragma once

#include "filesystem/file_list_model.h"
#include "filesystem/file_stats.h"
#include "metadata/shot_time_reader.h"
#include "selection/file_order.h"

#include <QObject>
#include <functional>
#include <initializer_list>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace platform {
class Progress;
}

namespace main_window {

class UndoAction;

class FileOrderMenu final : public QObject {
public:
    struct Window {
        QWidget& window;
        UndoAction& undo;
        /// The two views, which always show one listing.
        filesystem::FileListModel& File1;
        filesystem::FileListModel& File2;
        platform::Progress& progress;
        /// The rows have changed order under the preview: it no longer applies.
        std::function<void()> reordered;
    };

    /// The menu, the undo action first, goes on `lists`.
    FileOrderMenu(Window window, std::initializer_list<QWidget*> lists);
    ~FileOrderMenu() override;

    /// Times taken are being read for the rows shown; they are in name order till then.
    bool reading() const { return m_hourglass; }

private:
    void choose();
    filesystem::FileListModel::Order order(const QString& folder,
                                           const filesystem::NameList& names);
    void showTaken(quint64 run, const QList<std::optional<qint64>>& times);
    void stopReading();

    Window m_window;
    QMenu* m_menu;
    QActionGroup* m_kinds;
    QAction* m_reversed;
    selection::OrderKind m_kind = selection::OrderKind::ByName;
    metadata::ShotTimeReader m_reader;
    quint64 m_run = 0;
    /// The stat of the rows whose times are being read, in the listing's order.
    std::vector<filesystem::FileStat> m_readStats;
    bool m_hourglass = false;
};

} // namespace main_window
