#pragma once

#include <QApplication>
#include <filesystem>
#include <ostream>
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
    bool operator==(const OpenThings&) const = default;
};

inline OpenThings CountOpenThings() {
    OpenThings things;
    // The listing's own descriptor is counted every time alike.
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        ++things.descriptors;
    }
    things.internetHandles = platform::InternetHandleCount();
    things.busyCursor = platform::BusyCursorCount();
    things.waitCursorShown = QApplication::overrideCursor() != nullptr;
    return things;
}

inline std::ostream& operator<<(std::ostream& out, const OpenThings& things) {
    return out << things.descriptors << " descriptors, " << things.internetHandles
               << " Internet handles, busy cursor " << things.busyCursor
               << (things.waitCursorShown ? " (wait cursor shown)" : "");
}

}  // namespace testsupport
