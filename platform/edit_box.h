#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

namespace platform {

// A multi-line edit box that holds a byte text. The box shows each line break
// (CR LF, a bare LF or a bare CR) as a line break and remembers which one it
// was, so a text the user has not changed comes back exactly as it was set;
// line breaks the user adds come back as CR LF. Characters go through the
// code page.
class EditBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit EditBox(bool wantReturn, QWidget* parent = nullptr);

    // Shows `bytes`, the cursor at the start, with no undo history. Does
    // nothing when the box already shows them so, untouched.
    void SetBytes(std::string_view bytes);
    std::string GetBytes() const;
    // True when the box shows exactly what SetBytes(bytes) would show, line
    // breaks included.
    bool Shows(std::string_view bytes) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when nothing was edited since SetBytes and the cursor (at the
    // start, nothing selected) and the view (at the top) are where it left them.
    bool Untouched() const;

    bool wantReturn_;
    int setRevision_ = -1;  // the document's revision when SetBytes ended
};

}  // namespace platform
