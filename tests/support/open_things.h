#pragma once

#include <QApplication>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "platform/busy_cursor.h"
#include "platform/internet.h"

namespace testsupport {

// What a command could leave behind when it ends: open file descriptors of
// the process, open Internet sessions and pages, and the busy cursor. A
// command must leave all of them as it found them, however it ended.
struct OpenThings {
    int descriptors = 0;
    int internetHandles = 0;
    int busyCursor = 0;
    bool waitCursorShown = false;
    std::string what;  // what the descriptors refer to, for the failure message
    bool operator==(const OpenThings& other) const {
        return descriptors == other.descriptors && internetHandles == other.internetHandles &&
               busyCursor == other.busyCursor && waitCursorShown == other.waitCursorShown;
    }
};

inline OpenThings CountOpenThings() {
    OpenThings things;
    // The listing's own descriptor is counted every time alike.
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        ++things.descriptors;
        std::error_code ignored;
        things.what += " " + std::filesystem::read_symlink(it->path(), ignored).string();
    }
    things.internetHandles = platform::InternetHandleCount();
    things.busyCursor = platform::BusyCursorCount();
    things.waitCursorShown = QApplication::overrideCursor() != nullptr;
    return things;
}

inline std::ostream& operator<<(std::ostream& out, const OpenThings& things) {
    return out << things.descriptors << " descriptors, " << things.internetHandles
               << " Internet handles, busy cursor " << things.busyCursor
               << (things.waitCursorShown ? " (wait cursor shown)" : "")
               << "; descriptors:" << things.what;
}

}  // namespace testsupport
