// The window while work holds the thread.
#include "busy_state.h"

#include "main_window/ending_signals.h"
#include "platform/stop_request.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QSignalBlocker>
#include <cstdio>
#include <utility>

namespace main_window {

/// What the controls of both pages hold while a preview or a pass runs. The busy window lets a
/// screen reader's requests through, which may set a text, a value or an item: their change
/// handlers are held off (a mask set mid-pass would re-read File2 under the pass), and at the end
/// every control gets back what it held, so the request is dropped as a click is.
class HeldControls {
public:
    HeldControls(QLineEdit* txtName, const std::vector<QComboBox*>& combos, QAbstractItemView* Dir)
        : m_txtName(txtName)
        , m_text(txtName->text())
        , m_Dir(Dir)
        , m_folder(Dir->currentIndex()) {
        m_blockers.emplace_back(txtName);
        m_blockers.emplace_back(Dir);
        for (QComboBox* combo : combos) {
            m_combos.push_back({combo, combo->currentIndex(), combo->currentText()});
            m_blockers.emplace_back(combo);
        }
    }
    ~HeldControls() {
        if (m_txtName->text() != m_text)
            m_txtName->setText(m_text);
        for (const Combo& held : m_combos) {
            if (held.combo->currentIndex() != held.index)
                held.combo->setCurrentIndex(held.index);
            if (held.combo->isEditable() && held.combo->currentText() != held.text)
                held.combo->setEditText(held.text);
        }
        if (m_Dir->currentIndex() != m_folder)
            m_Dir->setCurrentIndex(m_folder);
    }
    Q_DISABLE_COPY_MOVE(HeldControls)

private:
    struct Combo {
        QComboBox* combo;
        int index;
        QString text;
    };
    QLineEdit* m_txtName;
    QString m_text;
    QAbstractItemView* m_Dir;
    QPersistentModelIndex m_folder;
    std::vector<Combo> m_combos;
    std::vector<QSignalBlocker> m_blockers;
};

BusyState::BusyState(QWidget& window, QLineEdit* txtName, std::vector<QComboBox*> combos,
                     QAbstractItemView* Dir)
    : m_window(window)
    , m_txtName(txtName)
    , m_combos(std::move(combos))
    , m_Dir(Dir) {}

BusyState::~BusyState() = default;

void BusyState::begin() {
    m_busy = true;
    setWorkRunning(true);
    setHourglass(true);
    m_held = std::make_unique<HeldControls>(m_txtName, m_combos, m_Dir);
}

void BusyState::end(qsizetype left) {
    m_held.reset();
    setHourglass(false);
    setWorkRunning(false);
    m_busy = false;
    const int signal = endingSignal();
    if (signal != 0 || std::exchange(m_sessionEnding, false)) {
        std::fprintf(stderr, "tarvelok: %s: работа остановлена; файлов оставлено как было: %lld\n",
                     signal != 0 ? signalName(signal) : "конец сеанса",
                     static_cast<long long>(left));
        platform::requestStop(false);
        if (signal != 0)
            endBySignal(signal);
        m_window.close();
        return;
    }
    if (std::exchange(m_closeWhenIdle, false))
        m_window.close();
}

bool BusyState::putOffClose() {
    // A close from the window manager still arrives while a pass lets the window repaint. The
    // pass runs to its end first: a window gone mid-pass would hide its failure messages, and
    // the user would not know where the folder stands.
    if (m_busy)
        m_closeWhenIdle = true;
    return m_busy;
}

void BusyState::sessionEnding() {
    if (!m_busy)
        return;
    m_sessionEnding = true;
    platform::requestStop();
    closeOpenDialog();
}

void BusyState::setHourglass(bool busy) {
    // On this window only: the message and input boxes that a pass opens keep the normal pointer,
    // since they are waiting for the user, not the other way round.
    if (busy)
        m_window.setCursor(Qt::WaitCursor);
    else
        m_window.unsetCursor();
}

} // namespace main_window
