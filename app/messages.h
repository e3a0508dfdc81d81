#pragma once

#include <QString>

class QWidget;

namespace kerfolio {

// The one way the program shows a message box or an error box, so tests can see what would be shown.
class Messages {
  public:
    virtual ~Messages() = default;
    // Modal message box: the application title as caption, one OK button.
    virtual void Information(const QString& text);
    // Modal error box: error icon, one OK button, the text with a full stop added.
    virtual void Error(const QString& text);

    static QString WithFullStop(const QString& text);
};

// The application title; message boxes carry it as their caption.
inline const QString kApplicationTitle = QStringLiteral(" Kerfolio");

}  // namespace kerfolio
