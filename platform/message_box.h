#pragma once

#include <string_view>

namespace platform {

enum class MessageIcon { kExclamation, kStop, kInformation };

// Texts longer than this are cut before they are shown.
inline constexpr int kMaxMessageChars = 511;

// Shows a modal message box with one OK button over the active window, with
// the application's name as its caption, and returns when it is closed.
// `text` is UTF-8 (the program's own texts are ASCII; file paths are native).
// With `systemModal` the box blocks every window of the program.
void MessageBox(std::string_view text, MessageIcon icon = MessageIcon::kExclamation,
                bool systemModal = false);

}  // namespace platform
