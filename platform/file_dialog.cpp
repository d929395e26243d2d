#include "platform/file_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

QStringList NameFiltersFromFilterSpec(std::string_view filter) {
    const QStringList parts =
        QString::fromLocal8Bit(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList result;
    // Each complete pair ends in a bar, so the part after the final bar is
    // not a field of its own.
    const qsizetype pairs = (parts.size() - 1) / 2;
    for (qsizetype i = 0; i < 2 * pairs; i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty()) patterns << trimmed;
        }
        // Qt takes the patterns from the last parentheses of a filter and, with
        // the details hidden, shows the text before them: so the description
        // is shown whole and the patterns are exactly these.
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return result;
}

std::optional<std::string> ShowOpenFileDialog(QWidget* owner, std::string_view filter) {
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFiltersFromFilterSpec(filter));
    dialog.setSizeGripEnabled(true);
    // Qt would start in the folder its last dialog showed; ours starts in the
    // current directory, the folder of the message chosen last.
    dialog.setDirectory(QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    const QFileInfo file(chosen.first());
    const QByteArray path = QFile::encodeName(file.absoluteFilePath());
    if (static_cast<std::size_t>(path.size()) > kMaxPathChars) return std::nullopt;
    QDir::setCurrent(file.absolutePath());
    return path.toStdString();
}

}  // namespace platform
