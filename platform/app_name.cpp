#include "platform/app_name.h"

#include <unistd.h>
#include <climits>

namespace platform {

std::string AppNameFromPath(std::string_view path) {
    const auto slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

const std::string& ModulePath() {
    static const std::string path = [] {
        std::string buf(PATH_MAX, '\0');
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return buf;
    }();
    return path;
}

const std::string& AppName() {
    static const std::string name = AppNameFromPath(ModulePath());
    return name;
}

}  // namespace platform
