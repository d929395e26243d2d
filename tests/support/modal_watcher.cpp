#include "tests/support/modal_watcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace testsupport {

struct ModalWatcher::Timer {
    QTimer timer;
};

ModalWatcher::ModalWatcher() : timer_(new Timer) {
    timer_->timer.setInterval(5);
    QObject::connect(&timer_->timer, &QTimer::timeout, [this] { Poll(); });
    timer_->timer.start();
}

ModalWatcher::~ModalWatcher() {
    delete timer_;
}

void ModalWatcher::Then(Answer answer) {
    answers_.push_back(std::move(answer));
}

void ModalWatcher::PressOk(QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
            return;
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
}

ModalWatcher::Answer ModalWatcher::TypePath(const std::string& path) {
    return [path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, QString::fromLocal8Bit(path.c_str()));
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible()) dialog->reject();
    };
}

void ModalWatcher::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    for (const QPointer<QWidget>& handled : handled_) {
        if (handled == modal) return;
    }
    handled_.emplace_back(modal);
    QPointer<QWidget> guard(modal);
    SeenModal seen;
    seen.className = QString::fromLatin1(modal->metaObject()->className());
    seen.caption = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text();
        seen.icon = static_cast<int>(box->icon());
    }
    seen_.push_back(seen);
    Answer answer = PressOk;
    if (!answers_.empty()) {
        answer = std::move(answers_.front());
        answers_.erase(answers_.begin());
    }
    // Answer from the event loop, not from inside this timer's callback, so
    // a modal window opened by the answer is seen by the next poll.
    QTimer::singleShot(0, modal, [guard, answer] {
        if (guard) answer(guard.data());
    });
}

}  // namespace testsupport
