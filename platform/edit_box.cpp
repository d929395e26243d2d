#include "platform/edit_box.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>

#include "platform/codepage.h"

namespace platform {

namespace {

// The line break that ended a block, kept in the block's user state. A block
// the user creates has state -1 and so ends in CR LF.
enum LineBreak { kCrLf = -1, kLf = 1, kCr = 2 };

}  // namespace

EditBox::EditBox(bool wantReturn, QWidget* parent)
    : QPlainTextEdit(parent), wantReturn_(wantReturn) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(true);
}

void EditBox::SetBytes(std::string_view bytes) {
    QString text = BytesToQString(bytes);
    std::vector<LineBreak> breaks;
    QString joined;
    joined.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
                breaks.push_back(kCrLf);
            } else {
                breaks.push_back(kCr);
            }
            joined.append(u'\n');
        } else if (ch == u'\n') {
            breaks.push_back(kLf);
            joined.append(u'\n');
        } else {
            joined.append(ch);
        }
    }
    setPlainText(joined);
    QTextBlock block = document()->firstBlock();
    for (const LineBreak lb : breaks) {
        block.setUserState(lb);
        block = block.next();
    }
}

std::string EditBox::GetBytes() const {
    std::string out;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        // QTextBlock::text() keeps every character as stored; the document's
        // plain text would turn no-break spaces into spaces.
        out += QStringToBytes(block.text());
        if (!block.next().isValid()) break;
        switch (block.userState()) {
            case kLf:
                out += '\n';
                break;
            case kCr:
                out += '\r';
                break;
            default:
                out += "\r\n";
                break;
        }
    }
    return out;
}

void EditBox::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !wantReturn_) {
        // Ctrl+Enter still breaks the line; plain Enter belongs to the dialog,
        // which presses its default button.
        if (event->modifiers() & Qt::ControlModifier) {
            if (!isReadOnly()) insertPlainText(QStringLiteral("\n"));
            return;
        }
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace platform
