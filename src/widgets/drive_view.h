// The drive view (drvDir): the mounted volumes a user would recognise, each with its current
// folder.
#pragma once

#include <QComboBox>
#include <QHash>

namespace widgets {

class DriveView : public QComboBox {
    Q_OBJECT

public:
    /// The volumes of the running system; starts at the volume of the process's current folder.
    explicit DriveView(QWidget* parent = nullptr);
    /// The given mount points as volumes (clean absolute paths), for a window that knows them
    /// better or for tests that use folders as volumes.
    explicit DriveView(const QStringList& roots, QWidget* parent = nullptr);

    /// The selected volume's current folder: the last folder visited on it in this run if that
    /// still opens, else its nearest ancestor on the volume that opens, else the volume's root.
    /// FolderView::setPath accepts it.
    QString drive() const;
    /// Selects the volume holding `path` (a drive text or any full folder path); false when no
    /// volume holds it. Emits changed() before returning when the selected volume changes.
    [[nodiscard]] bool setDrive(const QString& path);
    /// The selected volume's mount point.
    QString root() const;
    /// The mount point of the volume holding `path`; "" when none does.
    QString rootOf(const QString& path) const;

    /// Records `path` as its volume's current folder and shows that volume without raising
    /// changed(): on Linux the folder view walks across volumes, and the drive view follows it.
    void noteVisited(const QString& path);

signals:
    void changed();

private:
    void setRoots(const QStringList& roots);

    QStringList m_roots;
    QHash<QString, QString> m_currentFolders; // root -> last folder visited
    bool m_quiet = false;
};

} // namespace widgets
