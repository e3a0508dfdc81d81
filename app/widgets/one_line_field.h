#pragma once

#include <QString>

class QLineEdit;

namespace kerfolio {

// Keeps a single-line field on one line: every line break that reaches it (CR, LF, CR LF, U+2028,
// U+2029), pasted, dropped or set, becomes one blank in the field itself, so what the operator sees
// is what is stored, and a report line or snapshot value never splits. Install once per field.
void KeepOnOneLine(QLineEdit* edit);

// The text with each line break replaced by one blank (CR LF counts as one break).
QString LineBreaksToBlanks(const QString& text);

}  // namespace kerfolio
