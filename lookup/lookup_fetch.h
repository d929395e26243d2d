#pragma once

// The two page requests of a lookup, made through an open Internet session.

#include <cstddef>
#include <functional>
#include <string>

#include "platform/file.h"
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

// Where the lines of a page come from: fills up to `size` bytes of `buffer`
// with the next bytes of the body and returns how many; 0 means the body has
// ended.
using PageRead = std::function<std::size_t(char* buffer, std::size_t size)>;

// The copying step of FetchResults: writes the page lines that `read`
// delivers into `file` (open for writing), each followed by CR LF, up to the
// first line that holds the end marker, and reads no further. Every line
// taken from the bytes read so far is in the file before the next read, so a
// read that fails (or waits) leaves the file holding all lines before it.
void SavePageLines(const PageRead& read, platform::File& file);
