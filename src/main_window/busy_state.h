// The window while a preview, a pass or an undo holds the thread: the hourglass, the controls
// held as they were, and the ending signals and the session's end that stop the work.
#pragma once

#include <QtGlobal>
#include <memory>
#include <type_traits>
#include <vector>

class QAbstractItemView;
class QComboBox;
class QLineEdit;
class QWidget;

namespace main_window {

class HeldControls;

class BusyState {
public:
    /// Busy over `window`; the work holds `txtName`, `combos` and `Dir` as they were.
    BusyState(QWidget& window, QLineEdit* txtName, std::vector<QComboBox*> combos,
              QAbstractItemView* Dir);
    ~BusyState();
    Q_DISABLE_COPY_MOVE(BusyState)

    bool busy() const { return m_busy; }

    /// Runs `work` under the hourglass; the window keeps painting while it holds the thread.
    /// `work` returns how many rows it left as they were when asked to stop (or nothing); an
    /// ending signal or the session's end that arrived meanwhile then ends the program, and a
    /// close asked for meanwhile closes the window.
    template <class Work> void run(Work work) {
        begin();
        qsizetype left = 0;
        if constexpr (std::is_void_v<std::invoke_result_t<Work>>)
            work();
        else
            left = work();
        end(left);
    }

    /// Whether a close of the window must wait for the work's end; it happens then.
    bool putOffClose();
    /// The session is ending: work that runs stops after its current row.
    void sessionEnding();

private:
    void begin();
    void end(qsizetype left);
    void setHourglass(bool busy);

    QWidget& m_window;
    QLineEdit* m_txtName;
    std::vector<QComboBox*> m_combos;
    QAbstractItemView* m_Dir;
    std::unique_ptr<HeldControls> m_held;
    bool m_busy = false;
    bool m_closeWhenIdle = false;
    bool m_sessionEnding = false;
};

} // namespace main_window
