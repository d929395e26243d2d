#include "platform/edit_box.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
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
    // Setting the text the box already shows, untouched, would change
    // nothing but cost as much as the first time; a dialog's data exchange
    // often sets the same large text again.
    if (HoldsUntouched(bytes)) return;
    // The document starts a new block at CR LF, at a bare LF and at a bare
    // CR alike, the same breaks as read here, so the text goes in as it is;
    // each block then learns which break ended it.
    setPlainText(BytesToQString(bytes));
    QTextBlock block = document()->firstBlock();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        LineBreak lb;
        if (bytes[i] == '\r') {
            const bool crLf = i + 1 < bytes.size() && bytes[i + 1] == '\n';
            i += crLf ? 1 : 0;
            lb = crLf ? kCrLf : kCr;
        } else if (bytes[i] == '\n') {
            lb = kLf;
        } else {
            continue;
        }
        block.setUserState(lb);
        block = block.next();
    }
    setRevision_ = document()->revision();
}

bool EditBox::HoldsUntouched(std::string_view bytes) const {
    // No edit since SetBytes, and the cursor and view where it left them.
    if (setRevision_ < 0 || document()->revision() != setRevision_) return false;
    const QTextCursor cursor = textCursor();
    if (cursor.position() != 0 || cursor.hasSelection()) return false;
    if (verticalScrollBar()->value() != 0 || horizontalScrollBar()->value() != 0) return false;
    if (document()->isUndoAvailable() || document()->isRedoAvailable()) return false;
    // The same characters and the same line breaks.
    std::size_t at = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (static_cast<std::size_t>(text.size()) > bytes.size() - at) return false;
        for (const QChar ch : text) {
            if (ch.unicode() != CodePageToUnicode(static_cast<unsigned char>(bytes[at++]))) {
                return false;
            }
        }
        if (!block.next().isValid()) break;
        const std::string_view rest = bytes.substr(at);
        switch (block.userState()) {
            case kLf:
                if (!rest.starts_with('\n')) return false;
                at += 1;
                break;
            case kCr:
                if (!rest.starts_with('\r') || rest.starts_with("\r\n")) return false;
                at += 1;
                break;
            default:
                if (!rest.starts_with("\r\n")) return false;
                at += 2;
                break;
        }
    }
    return at == bytes.size();
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
