#pragma once

#include <string>
#include <string_view>

#include "app/trace_dlg.h"

// Scans `text` for relay addresses: a "[" and the first "]" after it that
// enclose a non-empty run of digits and dots with exactly three dots. Writes
// the addresses into routes[0..c-1] in text order and returns c. Only the
// first MAX_ROUTES addresses are kept; later ones are passed over, since the
// table has no room for them. No other slot is written.
int ScanRoute(std::string_view text, RouteTable& routes);

// The route list's entry text for the entry at index `index`: "[index+1] - [address]".
std::string RouteEntryText(int index, std::string_view address);
