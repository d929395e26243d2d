#pragma once

namespace platform {

// The busy cursor: the wait cursor shown while a command works. Showing and
// hiding nest. Each show adds one to a count and sets the wait cursor; the
// first show remembers the pointer shape in use before it. Each hide takes
// one from the count, never going below 0; when the count is 0 afterwards the
// remembered shape comes back, otherwise the wait cursor stays. Without a
// running application only the count is kept.
void ShowBusyCursor();
void HideBusyCursor();

// How many shows are not yet matched by a hide.
int BusyCursorCount();

// Shows the busy cursor for its lifetime, so that an error leaves it hidden.
class BusyCursor {
public:
    BusyCursor() { ShowBusyCursor(); }
    ~BusyCursor() { HideBusyCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace platform
