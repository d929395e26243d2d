#pragma once

#include <cstdint>

namespace testsupport {

// While an object of this class lives, the calling thread meets file
// permissions as an ordinary user does, also when the tests run as root: the
// capabilities that override file permissions are taken out of the thread's
// effective set, and put back afterwards. Lets a test see a read-only file or
// folder refuse a write.
class ScopedUserPermissions {
public:
    ScopedUserPermissions();
    ~ScopedUserPermissions();
    ScopedUserPermissions(const ScopedUserPermissions&) = delete;
    ScopedUserPermissions& operator=(const ScopedUserPermissions&) = delete;

private:
    std::uint32_t savedEffective_[2] = {0, 0};
    bool changed_ = false;
};

}  // namespace testsupport
