#pragma once

class QLineEdit;
class QWidget;

namespace kerfolio {

// Password echo with "#" for every character, whatever the platform style would draw.
void MaskWithHash(QLineEdit* edit);

// Our dialogs open in the middle of the screen, not over their parent.
void CentreOnScreen(QWidget* window);

}  // namespace kerfolio
