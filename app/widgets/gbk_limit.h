#pragma once

#include <QValidator>
#include <limits>

class QLineEdit;

namespace kerfolio {

// Limits what the operator puts into a line edit to a number of bytes in GBK, the code page of our
// files: a Chinese character counts 2, ASCII 1. Typing, pasting, dropping and input methods all pass
// here. A character that would not fit whole is left out whole; a paste keeps what fits. A character
// GBK cannot hold is left out too: the file would keep only a "?" in its place.
class GbkByteLimit : public QValidator {
    Q_OBJECT
  public:
    static constexpr int kNoLimit = std::numeric_limits<int>::max();

    // Installs itself on edit.
    GbkByteLimit(QLineEdit* edit, int maxBytes);

    // Puts in a text from the file or the program as it is, even when it is longer than the limit.
    void SetTextUncut(const QString& text);

    State validate(QString& input, int& pos) const override;

    static int Bytes(const QString& text);

  private:
    QLineEdit* edit_;
    int maxBytes_;
    QString accepted_;  // the text before the change being validated
    bool uncut_ = false;
};

}  // namespace kerfolio
