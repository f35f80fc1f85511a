// The About window: program name, version, date and credits, centred over the main window.
#pragma once

#include <QDialog>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace about_window {

/// Half of `difference` as whole twips: rounded to the nearest integer (a tie to the even
/// neighbour), then halved with the remainder dropped toward zero. 7 gives 3, -7 gives -3,
/// 2.5 gives 1 and 3.5 gives 2.
int centringOffset(double difference);

/// The About window's outer top-left in twips, centred over the main window's outer geometry.
QPointF centredPosition(const QRectF& mainWindow, const QSizeF& aboutWindow);

class Form2 final : public QDialog {
    Q_OBJECT

public:
    /// Builds the window and places it over `frmRename`, which it also stays in front of.
    explicit Form2(QWidget* frmRename);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void Command1_Click();
};

} // namespace about_window
