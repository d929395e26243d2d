#pragma once

#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace platform {

// The longest path the open-file dialog gives back, in bytes; a longer choice
// counts as the dialog failing.
inline constexpr std::size_t kMaxPathChars = 259;

// The Qt name filters for a filter in the platform's form: pairs of a
// description and its patterns, each ended by a vertical bar, the patterns
// separated by semicolons ("Text (*.txt)|*.txt; *.log|"). Each entry keeps
// its whole description as the text shown and matches exactly its patterns,
// whatever parentheses the description holds. An incomplete last pair is
// ignored.
QStringList NameFiltersFromFilterSpec(std::string_view filter);

// Shows the open-file dialog modally over `owner` (disabled meanwhile): the
// program's own dialog rather than the desktop's, resizable, with the
// toolkit's default title, starting in the current directory, with the
// filter `filter` (see NameFiltersFromFilterSpec) and no entry for all files.
// One file is chosen, and it need not exist; there is no read-only check box.
// Returns the chosen file's absolute path in the file system's encoding, or
// nothing when the user cancels or the path is longer than kMaxPathChars.
// On OK the chosen file's folder becomes the current directory, and stays so.
std::optional<std::string> ShowOpenFileDialog(QWidget* owner, std::string_view filter);

}  // namespace platform
