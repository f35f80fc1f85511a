// Accessible interfaces for combo boxes and the status bar.
#include "widgets/accessibility.h"

#include "widgets/status_bar.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace widgets {

namespace {

/// A combo box as Qt's own interface presents it (its role, the drop-down list and the edit field
/// as children, the actions that open the list), but named by its accessible name. The shown text
/// is its value and its text, so a screen reader that asks for either still hears "*.*".
class ComboBoxAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboBoxAccessible(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name: {
            // A box that nobody named keeps Qt's Linux behaviour rather than going silent.
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? shown() : name;
        }
        case QAccessible::Value:
            return shown();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    int childCount() const override { return combo()->isEditable() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->isEditable())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->isEditable() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QLineEdit* edit = combo()->lineEdit();
        if (edit && edit->rect().contains(edit->mapFromGlobal(QPoint(x, y))))
            return child(1);
        return nullptr;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

    QStringList keyBindingsForAction(const QString& /*action*/) const override { return {}; }

    // The shown text, read-only: typing goes through the edit field, as for Qt's own box.
    QString text(int startOffset, int endOffset) const override {
        const QString all = shown();
        startOffset = std::clamp(startOffset, 0, int(all.size()));
        endOffset =
            endOffset < 0 ? int(all.size()) : std::clamp(endOffset, startOffset, int(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shown().size()); }
    void selection(int /*selectionIndex*/, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*startOffset*/, int /*endOffset*/) override {}
    void removeSelection(int /*selectionIndex*/) override {}
    void setSelection(int /*selectionIndex*/, int /*startOffset*/, int /*endOffset*/) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override {}
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint& /*point*/) const override { return -1; }
    void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override {}
    QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(object()); }
    QString shown() const {
        return combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == "QComboBox"_L1)
        return new ComboBoxAccessible(static_cast<QComboBox*>(object));
    if (className == QLatin1StringView(StatusBar::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(accessibleFactory);
}

} // namespace widgets
