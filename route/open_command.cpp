// The Open command: load a saved message file and list its route.
#include <algorithm>
#include <optional>
#include <string>

#include "app/trace_dlg.h"
#include "platform/file.h"
#include "platform/file_dialog.h"

namespace {

constexpr char kMessageFilter[] = "E-mail messages (*.eml,*.msg)|*.eml; *.msg|";

}  // namespace

void CTraceDlg::OnOpen() {
    const std::optional<std::string> path = platform::ShowOpenFileDialog(this, kMessageFilter);
    if (!path) return;
    platform::File file;
    if (!file.Open(*path, platform::File::Mode::kRead)) return;

    // The text is built aside, so a failed read leaves the dialog as it was.
    std::string text = platform::File::AllocateBuffer(file.GetLength());
    text.resize(file.Read(text.data(), text.size()));
    // The message ends at its first zero byte.
    text.resize(std::min(text.find('\0'), text.size()));

    m_strSource = std::move(text);
    UpdateData(false);
    file.Close();
    RefreshRoute(m_strSource);
}
