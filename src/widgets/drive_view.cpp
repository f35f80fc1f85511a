// The drive view widget.
#include "widgets/drive_view.h"

#include "filesystem/folder_lister.h"
#include "filesystem/mount_table.h"

#include <QScopedValueRollback>

namespace widgets {

DriveView::DriveView(QWidget* parent)
    : DriveView(filesystem::mountedVolumes(), parent) {}

DriveView::DriveView(const QStringList& roots, QWidget* parent)
    : QComboBox(parent) {
    setRoots(roots);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_quiet)
            emit changed();
    });
    // The process's current folder is where the user started the program from: its drive opens
    // there. By its bytes, as every other path: a folder whose name is not UTF-8 is not another.
    noteVisited(filesystem::currentFolder());
}

void DriveView::setRoots(const QStringList& roots) {
    QScopedValueRollback quiet(m_quiet, true);
    m_roots.clear();
    for (const QString& root : roots)
        m_roots.append(filesystem::cleanFolderPath(root));
    clear();
    addItems(m_roots);
}

QString DriveView::drive() const {
    const QString selected = root();
    // The folder remembered may have been removed or locked since; a drive whose folder would not
    // open could never be chosen again, so its nearest ancestor that opens stands in for it.
    QString folder = m_currentFolders.value(selected, selected);
    while (folder.size() > selected.size() && !filesystem::canOpenFolder(folder)) {
        const qsizetype slash = folder.lastIndexOf(u'/');
        folder = slash > 0 ? folder.left(slash) : selected;
    }
    return folder.size() > selected.size() ? folder : selected;
}

bool DriveView::setDrive(const QString& path) {
    const qsizetype index = m_roots.indexOf(rootOf(path));
    if (index < 0)
        return false;
    setCurrentIndex(int(index)); // raises changed() through currentIndexChanged, if it changes
    return true;
}

QString DriveView::root() const {
    const int index = currentIndex();
    return index >= 0 && index < m_roots.size() ? m_roots.at(index) : QString();
}

QString DriveView::rootOf(const QString& path) const {
    return filesystem::volumeHolding(m_roots, filesystem::cleanFolderPath(path));
}

void DriveView::noteVisited(const QString& path) {
    const QString folder = filesystem::cleanFolderPath(path);
    const QString root = filesystem::volumeHolding(m_roots, folder);
    if (root.isEmpty())
        return;
    m_currentFolders.insert(root, folder);
    QScopedValueRollback quiet(m_quiet, true);
    setCurrentIndex(int(m_roots.indexOf(root)));
}

} // namespace widgets
