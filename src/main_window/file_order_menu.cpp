// The order menu of the file views.
#include "file_order_menu.h"

#include "main_window/undo_action.h"
#include "platform/file_names.h"
#include "platform/progress.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QWidget>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace main_window {

using selection::OrderKind;

FileOrderMenu::FileOrderMenu(Window window, std::initializer_list<QWidget*> lists)
    : QObject(&window.window)
    , m_window(std::move(window))
    , m_menu(new QMenu(&m_window.window))
    , m_kinds(new QActionGroup(this))
    , m_reversed(new QAction(u"В обратном порядке"_s, this)) {
    m_window.undo.addToMenu(*m_menu);
    m_menu->addSeparator();
    const std::pair<QString, OrderKind> kinds[] = {
        {u"По имени"_s, OrderKind::ByName},
        {u"По дате изменения"_s, OrderKind::ByModified},
        {u"По дате съёмки"_s, OrderKind::ByTaken},
        {u"По размеру"_s, OrderKind::BySize},
    };
    for (const auto& [text, kind] : kinds) {
        QAction* action = m_kinds->addAction(text);
        action->setCheckable(true);
        action->setChecked(kind == m_kind);
        action->setData(int(kind));
        m_menu->addAction(action);
    }
    m_menu->addSeparator();
    m_reversed->setCheckable(true);
    m_menu->addAction(m_reversed);
    connect(m_kinds, &QActionGroup::triggered, this, &FileOrderMenu::choose);
    connect(m_reversed, &QAction::triggered, this, &FileOrderMenu::choose);

    for (QWidget* list : lists) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(
            list, &QWidget::customContextMenuRequested, m_menu,
            [this, list](const QPoint& position) { m_menu->exec(list->mapToGlobal(position)); });
    }

    connect(&m_reader, &metadata::ShotTimeReader::progress, this,
            [this](quint64 run, qsizetype done, qsizetype total) {
                if (run != m_run)
                    return;
                m_window.progress.setMaximum(total);
                m_window.progress.setValue(done);
            });
    connect(&m_reader, &metadata::ShotTimeReader::finished, this, &FileOrderMenu::showTaken);

    const auto ordering = [this](const QString& folder, const filesystem::NameList& names) {
        return order(folder, names);
    };
    m_window.File1.setOrdering(ordering);
    m_window.File2.setOrdering(ordering);
}

FileOrderMenu::~FileOrderMenu() {
    stopReading();
}

void FileOrderMenu::choose() {
    m_kind = OrderKind(m_kinds->checkedAction()->data().toInt());
    // The folder is not read again: the choice orders the rows already shown.
    m_window.File1.reorder();
    m_window.File2.showSameAs(m_window.File1);
    m_window.reordered();
}

filesystem::FileListModel::Order FileOrderMenu::order(const QString& folder,
                                                      const filesystem::NameList& names) {
    // Each listing gets its own order; a reading for an earlier one would order the wrong rows.
    stopReading();
    const bool reversed = m_reversed->isChecked();
    if (m_kind == OrderKind::ByName && !reversed)
        return {};
    std::vector<filesystem::FileStat> stats;
    if (m_kind != OrderKind::ByName)
        stats = filesystem::statFiles(folder, names);
    if (m_kind == OrderKind::ByTaken && names.size() > 0) {
        QList<QByteArray> files;
        files.reserve(names.size());
        std::vector<metadata::FileStamp> stamps;
        stamps.reserve(stats.size());
        for (qsizetype row = 0; row < names.size(); ++row) {
            files.append(platform::encodeFileName(names.at(row)));
            const filesystem::FileStat& stat = stats[size_t(row)];
            stamps.push_back({stat.device, stat.inode, stat.size, stat.modifiedNs});
        }
        // The stamps spare the reader a second lookup only when every row is a plain file.
        if (!std::all_of(stats.begin(), stats.end(), [](const auto& stat) { return stat.regular; }))
            stamps.clear();
        m_readStats = std::move(stats);
        m_window.progress.setMaximum(names.size());
        m_window.progress.setValue(0);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_hourglass = true;
        m_run = m_reader.start(folder, std::move(files), std::move(stamps));
        // Name order, or its reverse, until the times are in.
        std::vector<selection::OrderRow> none(size_t(names.size()));
        return selection::fileOrder(none, OrderKind::ByName, reversed);
    }
    std::vector<selection::OrderRow> rows(size_t(names.size()));
    for (size_t row = 0; row < stats.size(); ++row)
        rows[row] = {stats[row].modifiedNs, stats[row].size, std::nullopt};
    return selection::fileOrder(rows, m_kind, reversed);
}

void FileOrderMenu::showTaken(quint64 run, const QList<std::optional<qint64>>& times) {
    if (run != m_run || !m_hourglass || times.size() != qsizetype(m_readStats.size()))
        return;
    std::vector<selection::OrderRow> rows(m_readStats.size());
    for (size_t row = 0; row < rows.size(); ++row)
        rows[row] = {m_readStats[row].modifiedNs, m_readStats[row].size, times[qsizetype(row)]};
    stopReading();
    m_window.File1.setOrder(
        selection::fileOrder(rows, OrderKind::ByTaken, m_reversed->isChecked()));
    m_window.File2.showSameAs(m_window.File1);
    m_window.progress.setValue(0);
    m_window.reordered();
}

void FileOrderMenu::stopReading() {
    if (!m_hourglass)
        return;
    m_reader.cancel();
    m_hourglass = false;
    m_readStats.clear();
    QApplication::restoreOverrideCursor();
}

} // namespace main_window
