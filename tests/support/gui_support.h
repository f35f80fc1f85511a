// Helpers for the tests that drive the real windows.
#pragma once

#include "folder_files.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

/// The files in `folder`, sorted, with each file's content, as "name=content".
inline QStringList folderContents(const QString& folder) {
    QStringList entries;
    const FolderFiles files = folderFiles(folder);
    for (auto file = files.cbegin(); file != files.cend(); ++file)
        entries.append(QString::fromUtf8(file.key()) + u'=' + QString::fromUtf8(file.value()));
    return entries;
}

/// The top-level windows still open, by class: a test that leaves one behind has leaked it.
inline QStringList openWindows() {
    QStringList windows;
    for (const QWidget* window : QApplication::topLevelWidgets())
        windows.append(QString::fromLatin1(window->metaObject()->className()));
    return windows;
}

/// The control named `name`. A missing control is a broken test, not a null to click on, so the
/// test program stops there with the control's name.
template <class Widget> Widget* child(const QWidget& window, const QString& name) {
    auto* widget = window.findChild<Widget*>(name);
    if (!widget)
        qFatal("no control named %s of type %s in %s", qPrintable(name),
               Widget::staticMetaObject.className(), qPrintable(window.objectName()));
    return widget;
}

/// The text of panel `panel` (1 to 3) of the status bar in `window`.
inline QString panelText(const QWidget& window, int panel) {
    return child<QLabel>(window, QStringLiteral("panel") + QString::number(panel))->text();
}

/// Answers the modal windows that a handler opens, one after the other: each step is run on the
/// modal window once it is the active one. A timer polls for it, so the handler that opened it
/// runs exactly as it would for a user. The one way the tests and the desktop probe answer a box.
class ModalAnswerer : public QObject {
public:
    using Step = std::function<void(QWidget* modal)>;

    explicit ModalAnswerer(QList<Step> steps, QObject* parent = nullptr)
        : QObject(parent)
        , m_steps(std::move(steps)) {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_lastAnswered || !modal->isVisible() || m_steps.isEmpty())
                return;
            m_lastAnswered = modal;
            m_steps.takeFirst()(modal);
            ++m_answered;
            if (m_steps.isEmpty())
                m_poll.stop();
        });
        m_poll.start();
    }

    int answered() const { return m_answered; }
    bool done() const { return m_steps.isEmpty(); }

private:
    QList<Step> m_steps;
    QTimer m_poll;
    QPointer<QWidget> m_lastAnswered; // a dialog that is gone no longer counts
    int m_answered = 0;
};
