#pragma once

// The two page requests of a lookup, made through an open Internet session.

#include <string>

#include "platform/internet.h"

// Fetches the upgrade notice page and returns true when its first page line
// is exactly the upgrade marker. Only the first line is read; the page is
// closed before this returns. Raises NetworkError when the page cannot be
// opened or read.
bool ProbeUpgradeNotice(platform::InternetSession& internet);

// Opens `url` and copies its page lines into the results file in the current
// directory (created, or emptied when it exists; never through a symbolic
// link), each followed by CR LF, up to the first line that holds the end
// marker; the rest of the page is not read. When the results file cannot be
// created the page is closed unread and nothing is reported. Raises
// NetworkError or FileError when a request, a read or a write fails; the page
// and the file are closed either way.
void FetchResults(platform::InternetSession& internet, const std::string& url);
