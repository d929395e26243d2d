#include "tests/support/user_permissions.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

namespace {

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
};

bool Get(Capabilities& caps) {
    return syscall(SYS_capget, &caps.header, caps.data) == 0;
}
bool Set(Capabilities& caps) {
    return syscall(SYS_capset, &caps.header, caps.data) == 0;
}

constexpr std::uint32_t Bit(int cap) {
    return std::uint32_t{1} << cap;
}

}  // namespace

ScopedUserPermissions::ScopedUserPermissions() {
    Capabilities caps;
    if (!Get(caps)) return;  // no capabilities to drop
    savedEffective_[0] = caps.data[0].effective;
    savedEffective_[1] = caps.data[1].effective;
    const std::uint32_t overrides =
        Bit(CAP_DAC_OVERRIDE) | Bit(CAP_DAC_READ_SEARCH) | Bit(CAP_FOWNER);
    if ((caps.data[0].effective & overrides) == 0) return;
    caps.data[0].effective &= ~overrides;
    if (!Set(caps)) throw std::runtime_error("cannot drop the file permission capabilities");
    changed_ = true;
}

ScopedUserPermissions::~ScopedUserPermissions() {
    if (!changed_) return;
    Capabilities caps;
    if (!Get(caps)) return;
    caps.data[0].effective = savedEffective_[0];
    caps.data[1].effective = savedEffective_[1];
    Set(caps);
}

}  // namespace testsupport
