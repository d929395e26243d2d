#include "platform/edit_box.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <cstddef>
#include <vector>

#include "platform/codepage.h"

namespace platform {

namespace {

// The line break that ended a block, kept in the block's user state. A block
// the user creates has state -1 and so ends in CR LF; a block in state
// kNoBreak is one piece of a long line, which the next block continues.
enum LineBreak { kCrLf = -1, kLf = 1, kCr = 2, kNoBreak = 3 };

// Lines longer than this are shown in pieces of this many characters, one
// under another. The toolkit lays out a whole line at once, at some tens of
// bytes for each character, so a single line of many megabytes would take
// gigabytes and minutes to show.
constexpr qsizetype kLongestShownLine = 16384;

}  // namespace

EditBox::EditBox(bool wantReturn, QWidget* parent)
    : QPlainTextEdit(parent), wantReturn_(wantReturn) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(true);
}

void EditBox::SetBytes(std::string_view bytes) {
    // The characters go straight into the text that is shown, with no copy of
    // the whole text on the side.
    std::vector<LineBreak> breaks;
    QString joined;
    joined.reserve(static_cast<qsizetype>(bytes.size() + bytes.size() / kLongestShownLine));
    qsizetype lineLength = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char byte = bytes[i];
        if (byte == '\r' || byte == '\n') {
            if (byte == '\n') {
                breaks.push_back(kLf);
            } else if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
                breaks.push_back(kCrLf);
            } else {
                breaks.push_back(kCr);
            }
            joined.append(u'\n');
            lineLength = 0;
            continue;
        }
        if (lineLength == kLongestShownLine) {
            breaks.push_back(kNoBreak);
            joined.append(u'\n');
            lineLength = 0;
        }
        joined.append(QChar(CodePageToUnicode(static_cast<unsigned char>(byte))));
        ++lineLength;
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
    // Each character gives one byte, and each line break at most two.
    out.reserve(static_cast<std::size_t>(document()->characterCount() + document()->blockCount()));
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
            case kNoBreak:
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
