#include "app/widgets/gbk_limit.h"

#include <QLineEdit>
#include <algorithm>

#include "app/widgets/one_line_field.h"
#include "storage/gbk.h"

namespace kerfolio {
namespace {

// Whether the settings file can hold the text as the field will keep it: its line breaks become
// blanks there, so they count as blanks here.
bool FileHolds(const QString& text) {
    return CharactersOutsideGbk(LineBreaksToBlanks(text).toStdString()).empty();
}

}  // namespace

GbkByteLimit::GbkByteLimit(QLineEdit* edit, int maxBytes)
    : QValidator(edit), edit_(edit), maxBytes_(maxBytes), accepted_(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
    edit->setValidator(this);
}

void GbkByteLimit::SetTextUncut(const QString& text) {
    uncut_ = true;
    edit_->setText(text);
    uncut_ = false;
}

int GbkByteLimit::Bytes(const QString& text) {
    return static_cast<int>(ToGbk(text.toStdString()).size());
}

QValidator::State GbkByteLimit::validate(QString& input, int& pos) const {
    if (uncut_) return Acceptable;
    const int bytes = Bytes(input);
    // An over-long value from the file may still be shortened or edited without growing.
    const int limit = std::max(maxBytes_, Bytes(accepted_));
    if (bytes <= limit && FileHolds(input)) return Acceptable;

    // The change replaced what lies between the parts the old and the new text share at both ends.
    const QString& before = accepted_;
    qsizetype prefix = 0;
    while (prefix < input.size() && prefix < before.size() && input[prefix] == before[prefix])
        ++prefix;
    if (prefix > 0 && input[prefix - 1].isHighSurrogate()) --prefix;
    qsizetype suffix = 0;
    while (suffix < input.size() - prefix && suffix < before.size() - prefix &&
           input[input.size() - 1 - suffix] == before[before.size() - 1 - suffix]) {
        ++suffix;
    }
    if (suffix > 0 && input[input.size() - suffix].isLowSurrogate()) --suffix;

    const QString head = input.left(prefix);
    const QString tail = input.right(suffix);
    const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
    int room = limit - Bytes(head + tail);
    QString fitted;
    for (qsizetype i = 0; i < inserted.size();) {
        const qsizetype length = inserted[i].isHighSurrogate() && i + 1 < inserted.size() ? 2 : 1;
        const QString character = inserted.mid(i, length);
        i += length;
        if (!FileHolds(character)) continue;
        const int size = Bytes(character);
        if (size > room) break;
        room -= size;
        fitted += character;
    }
    // Nothing fits: refuse the change, so the edit keeps its text, cursor and undo steps.
    if (fitted.isEmpty() && !inserted.isEmpty()) return Invalid;
    input = head + fitted + tail;
    pos = static_cast<int>(prefix + fitted.size());
    return Acceptable;
}

}  // namespace kerfolio
