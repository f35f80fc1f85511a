// Event filters that give Qt's buttons and combo boxes the window's keyboard and wheel habits.
#include "widgets/input_habits.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QWheelEvent>

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

class EnterPresses final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->isAutoRepeat())
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (!button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

class ShiftF10OpensMenu final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier)
            return false;
        auto* view = static_cast<QAbstractItemView*>(watched);
        // At the current row, where the Menu key's menu would open, so that it covers no other.
        QPoint position(5, 5);
        const QRect current = view->visualRect(view->currentIndex());
        if (current.isValid())
            position = current.center();
        emit view->customContextMenuRequested(view->viewport()->mapTo(view, position));
        return true;
    }
};

} // namespace

void openMenuOnShiftF10(QAbstractItemView& view) {
    view.installEventFilter(new ShiftF10OpensMenu(&view));
}

void takeWheelOnlyWithFocus(QComboBox& combo) {
    // Qt's combo box would take the focus from the wheel itself, and the wheel with it.
    combo.setFocusPolicy(Qt::StrongFocus);
    combo.installEventFilter(new WheelOnlyWithFocus(&combo));
}

void pressOnEnter(QAbstractButton& button) {
    button.installEventFilter(new EnterPresses(&button));
}

} // namespace widgets
