#include "platform/shell.h"

namespace platform {

bool ShellExecute(const std::string&, const std::string&, const std::string&, const std::string&,
                  int) {
    return false;
}

}  // namespace platform
