// Accessible interfaces for the controls whose Qt defaults would hide what a sighted user reads.
#pragma once

namespace widgets {

/// Registers the interfaces below with Qt's accessibility; call it once a QApplication exists and
/// before the first window is created. Later calls do nothing.
///
/// - A combo box is named by what it is for (its accessible name) and reads what it holds as its
///   value and its text. Qt on Linux names a combo box by its current text instead, which leaves
///   a screen reader announcing "*.*" where a sighted user reads "Маска" above the box.
/// - The status bar is a status bar to assistive technology, so a screen reader's "read the status
///   bar" command finds its panels.
void installAccessibleInterfaces();

} // namespace widgets
