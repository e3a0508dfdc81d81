#pragma once

class QWidget;

namespace kerfolio {

// The keys of a dialog's buttons, the same in every dialog and message box of the program:
// - Enter on a focused push button presses that button, not the default one;
// - an auto-repeated Enter or Esc acts on nothing, so a key held since before the dialog opened
//   cannot answer it unread.
// Call it whenever the dialog is about to show: controls added since the last call are covered too.
void GuardDialogKeys(QWidget* dialog);

}  // namespace kerfolio
