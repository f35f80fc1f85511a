// Event filters that give Qt's buttons and combo boxes the window's keyboard and wheel habits.
#include "widgets/input_habits.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QWheelEvent>
#include <functional>

namespace widgets {

namespace {

class WheelOnlyWithFocus final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus())
            return false;
        // Ignored, the wheel goes on to the containers, as over any other inert control.
        event->ignore();
        return true;
    }
};

/// Hands each key press to `handle`, which says whether it took it.
class KeyPresses final : public QObject {
public:
    KeyPresses(QObject* parent, std::function<bool(const QKeyEvent&)> handle)
        : QObject(parent)
        , m_handle(std::move(handle)) {}

    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::KeyPress && m_handle(*static_cast<QKeyEvent*>(event));
    }

private:
    std::function<bool(const QKeyEvent&)> m_handle;
};

} // namespace

void openMenuOnShiftF10(QAbstractItemView& view) {
    view.installEventFilter(new KeyPresses(&view, [&view](const QKeyEvent& key) {
        if (key.key() != Qt::Key_F10 || key.modifiers() != Qt::ShiftModifier)
            return false;
        // At the current row, where the Menu key's menu would open, so that it covers no other.
        QPoint position(5, 5);
        const QRect current = view.visualRect(view.currentIndex());
        if (current.isValid())
            position = current.center();
        emit view.customContextMenuRequested(view.viewport()->mapTo(&view, position));
        return true;
    }));
}

void takeWheelOnlyWithFocus(QComboBox& combo) {
    // Qt's combo box would take the focus from the wheel itself, and the wheel with it.
    combo.setFocusPolicy(Qt::StrongFocus);
    combo.installEventFilter(new WheelOnlyWithFocus(&combo));
}

void pressOnEnter(QAbstractButton& button) {
    button.installEventFilter(new KeyPresses(&button, [&button](const QKeyEvent& key) {
        if ((key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) || key.isAutoRepeat() ||
            !button.isEnabled())
            return false;
        button.click();
        return true;
    }));
}

} // namespace widgets
