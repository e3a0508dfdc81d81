#pragma once

class QLineEdit;

namespace kerfolio {

// Password echo with "#" for every character, whatever the platform style would draw.
void MaskWithHash(QLineEdit* edit);

}  // namespace kerfolio
