#include "app/widgets/one_line_field.h"

#include <QLineEdit>
#include <algorithm>

namespace kerfolio {
namespace {

bool IsLineBreak(QChar ch) {
    return ch == u'\r' || ch == u'\n' || ch == QChar(0x2028) || ch == QChar(0x2029);
}

// Characters a cursor at position loses before it when the text's breaks become blanks.
qsizetype CharactersDroppedBefore(const QString& text, qsizetype position) {
    qsizetype dropped = 0;
    for (qsizetype i = 0; i + 1 < position && i + 1 < text.size(); ++i)
        if (text[i] == u'\r' && text[i + 1] == u'\n') ++dropped;
    return dropped;
}

}  // namespace

QString LineBreaksToBlanks(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) {
            result.append(text[i]);
            continue;
        }
        result.append(u' ');
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    }
    return result;
}

void KeepOnOneLine(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        if (std::none_of(text.begin(), text.end(), IsLineBreak)) return;
        const qsizetype cursor = edit->cursorPosition();
        const bool modified = edit->isModified();
        // Setting the text again calls back once more, with nothing left to replace.
        edit->setText(LineBreaksToBlanks(text));
        edit->setCursorPosition(int(cursor - CharactersDroppedBefore(text, cursor)));
        edit->setModified(modified);
    });
}

}  // namespace kerfolio
