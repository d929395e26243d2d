#include "platform/edit_box.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstddef>

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

// Splits `bytes` into the lines the box shows and hands each to `take`, in
// order, with the break that ends it; the last line has none (`last`). Stops
// early when `take` returns false.
template <class Take>
void ForEachShownLine(std::string_view bytes, Take take) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t limit =
            std::min(bytes.size(), start + static_cast<std::size_t>(kLongestShownLine));
        std::size_t stop = start;
        while (stop < limit && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
        const std::string_view chars = bytes.substr(start, stop - start);
        if (stop == bytes.size()) {
            take(chars, kCrLf, true);
            return;
        }
        LineBreak end = kNoBreak;
        start = stop;
        if (bytes[stop] == '\n') {
            end = kLf;
            start += 1;
        } else if (bytes[stop] == '\r') {
            const bool crLf = stop + 1 < bytes.size() && bytes[stop + 1] == '\n';
            end = crLf ? kCrLf : kCr;
            start += crLf ? 2 : 1;
        }
        if (!take(chars, end, false)) return;
    }
}

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
    if (Untouched() && Shows(bytes)) return;
    bool longLine = false;
    ForEachShownLine(bytes, [&](std::string_view, LineBreak end, bool) {
        longLine = end == kNoBreak;
        return !longLine;
    });
    if (!longLine) {
        // The document starts a new block at CR LF, at a bare LF and at a
        // bare CR alike, the same breaks as read here, so the text goes in as
        // it is.
        setPlainText(BytesToQString(bytes));
    } else {
        QString joined;
        joined.reserve(static_cast<qsizetype>(bytes.size() + bytes.size() / kLongestShownLine));
        ForEachShownLine(bytes, [&](std::string_view chars, LineBreak, bool last) {
            for (const char byte : chars) {
                joined.append(QChar(CodePageToUnicode(static_cast<unsigned char>(byte))));
            }
            if (!last) joined.append(u'\n');
            return true;
        });
        setPlainText(joined);
    }
    // Each block learns which break ended it.
    QTextBlock block = document()->firstBlock();
    ForEachShownLine(bytes, [&](std::string_view, LineBreak end, bool last) {
        if (!last) {
            block.setUserState(end);
            block = block.next();
        }
        return true;
    });
    setRevision_ = document()->revision();
}

bool EditBox::Untouched() const {
    // No edit since SetBytes, and the cursor and view where it left them.
    if (setRevision_ < 0 || document()->revision() != setRevision_) return false;
    const QTextCursor cursor = textCursor();
    if (cursor.position() != 0 || cursor.hasSelection()) return false;
    if (verticalScrollBar()->value() != 0 || horizontalScrollBar()->value() != 0) return false;
    return !document()->isUndoAvailable() && !document()->isRedoAvailable();
}

bool EditBox::Shows(std::string_view bytes) const {
    QTextBlock block = document()->firstBlock();
    bool same = true;
    ForEachShownLine(bytes, [&](std::string_view chars, LineBreak end, bool last) {
        const QString text = block.text();
        same = block.isValid() && text.size() == static_cast<qsizetype>(chars.size()) &&
               (last || block.userState() == end);
        for (std::size_t i = 0; same && i < chars.size(); ++i) {
            same = text[static_cast<qsizetype>(i)] ==
                   QChar(CodePageToUnicode(static_cast<unsigned char>(chars[i])));
        }
        block = block.next();
        if (last && block.isValid()) same = false;
        return same;
    });
    return same;
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
