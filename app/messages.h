#pragma once

#include <QString>
#include <utility>
#include <vector>

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

// The boxes start-up asks for wait until the window shows (Release) and then show one after another
// from the running event loop: none holds the clock, the snapshot timer or the archive while it waits
// for OK. After Release every box shows at once.
class StartUpMessages : public Messages {
  public:
    void Information(const QString& text) override;
    void Error(const QString& text) override;
    void Release();

  private:
    bool held_ = true;
    std::vector<std::pair<bool, QString>> waiting_;  // (error box?, text)
};

// The application title; message boxes carry it as their caption.
inline const QString kApplicationTitle = QStringLiteral(" Kerfolio");

}  // namespace kerfolio
