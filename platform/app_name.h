#pragma once

#include <string>
#include <string_view>

namespace platform {

// The program file's name without folder and extension: "/opt/x/Brindle.exe"
// gives "Brindle". Only the last dot counts, and a name that is all extension
// (".hidden") keeps its dot.
std::string AppNameFromPath(std::string_view path);

// The full path of the running program file.
const std::string& ModulePath();

// The application's name: AppNameFromPath(ModulePath()). It captions every
// message box and is the user agent of every web request.
const std::string& AppName();

}  // namespace platform
