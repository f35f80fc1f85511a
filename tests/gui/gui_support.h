// Helpers for the tests that drive the real windows.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

/// Writes a file whose content is its own name, so a test can tell afterwards which file became
/// which.
inline void writeFile(const QString& folder, const QString& name) {
    QFile file(QDir(folder).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(name.toUtf8());
}

/// The names in `folder`, sorted, with each file's content, as "name=content".
inline QStringList folderContents(const QString& folder) {
    QStringList entries;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        entries.append(name + u'=' + QString::fromUtf8(file.readAll()));
    }
    return entries;
}

template <class Widget> Widget* child(const QWidget& window, const QString& name) {
    auto* widget = window.findChild<Widget*>(name);
    if (!widget)
        qWarning("no control named %s", qPrintable(name));
    return widget;
}

/// Answers the modal windows that a handler opens, one after the other: each step is run on the
/// modal window once it is the active one. A timer polls for it, so the handler that opened it
/// runs exactly as it would for a user.
class ModalAnswerer : public QObject {
public:
    using Step = std::function<void(QWidget* modal)>;

    explicit ModalAnswerer(QList<Step> steps)
        : m_steps(std::move(steps)) {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_lastAnswered || !modal->isVisible() || m_steps.isEmpty())
                return;
            m_lastAnswered = modal;
            m_steps.takeFirst()(modal);
            ++m_answered;
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
