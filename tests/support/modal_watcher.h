#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// What a modal window showed when it was answered.
struct SeenModal {
    QString className;  // "QMessageBox", "QFileDialog", "CAboutDlg", ...
    QString caption;
    QString text;  // a message box's text
    int icon = 0;  // a message box's QMessageBox::Icon
};

// Answers the modal windows that open while it lives: each time a new modal
// window becomes active, it records what the window shows and hands it to the
// next answer in the queue (or, with none left, closes it with OK / reject).
class ModalWatcher {
public:
    using Answer = std::function<void(QWidget*)>;
    ModalWatcher();
    ~ModalWatcher();
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    // Queues how to answer the next modal window.
    void Then(Answer answer);

    const std::vector<SeenModal>& seen() const { return seen_; }

    // Presses a message box's OK button.
    static void PressOk(QWidget* modal);
    // Types `path` into the file dialog's name box and presses Enter; a name
    // the dialog does not take leaves it open, and it is then cancelled.
    static Answer TypePath(const std::string& path);

private:
    void Poll();

    std::vector<SeenModal> seen_;
    std::vector<Answer> answers_;
    std::vector<QPointer<QWidget>> handled_;
    struct Timer;
    Timer* timer_;
};

}  // namespace testsupport
