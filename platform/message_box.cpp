#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "platform/app_name.h"
#include "platform/dialog.h"

namespace platform {

void MessageBox(std::string_view text, MessageIcon icon, bool systemModal) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) owner = QApplication::activeWindow();
    if (owner == nullptr) owner = MainWindow();

    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (shown.size() > kMaxMessageChars) shown.truncate(kMaxMessageChars);

    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(AppName()));
    // Texts may carry file names and server messages: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    switch (icon) {
        case MessageIcon::kExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::kStop:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::kInformation:
            box.setIcon(QMessageBox::Information);
            break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(systemModal ? Qt::ApplicationModal : Qt::WindowModal);
    if (owner == nullptr) box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace platform
