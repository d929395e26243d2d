#include "lookup/lookup_download.h"

#include <string.h>

#include <cstring>

std::string BuildLookupUrl(std::string_view address, const LookupSite& site) {
    std::string url = "http://";
    url += site.host;
    url += "/cgi-bin/checkdomain.pl?domain=";
    url += address;
    url += "&linkname=";
    url += site.partnerName;
    url += "&linkurl=";
    for (const char c : site.partnerPage) {
        if (c == ':') {
            url += "%3A";
        } else if (c == '/') {
            url += "%2F";
        } else {
            url += c;
        }
    }
    return url;
}

void PageLineReader::Feed(std::string_view bytes) {
    // Drop what earlier lines used before the buffer grows, so it never holds
    // more than the unfinished line and the new bytes.
    if (start_ > 0 && start_ == pending_.size()) {
        pending_.clear();
        scanned_ = start_ = 0;
    } else if (start_ > 0 && start_ >= pending_.size() / 2) {
        pending_.erase(0, start_);
        scanned_ -= start_;
        start_ = 0;
    }
    while (!bytes.empty()) {
        const void* cr = std::memchr(bytes.data(), '\r', bytes.size());
        const std::size_t run =
            cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - bytes.data())
               : bytes.size();
        pending_.append(bytes.data(), run);
        bytes.remove_prefix(cr ? run + 1 : run);
    }
}

bool PageLineReader::NextLine(std::string_view& line) {
    const std::size_t lf = pending_.find('\n', scanned_);
    if (lf == std::string::npos) {
        scanned_ = pending_.size();
        return false;
    }
    line = std::string_view(pending_).substr(start_, lf - start_);
    start_ = scanned_ = lf + 1;
    return true;
}

bool PageLineReader::NextLines(std::string_view& lines) {
    const std::size_t end = pending_.size();
    const void* lf =
        scanned_ < end ? memrchr(pending_.data() + scanned_, '\n', end - scanned_) : nullptr;
    if (lf == nullptr) {
        scanned_ = end;
        return false;
    }
    const auto after = static_cast<std::size_t>(static_cast<const char*>(lf) - pending_.data()) + 1;
    lines = std::string_view(pending_).substr(start_, after - start_);
    start_ = scanned_ = after;
    return true;
}

bool PageLineReader::Finish(std::string_view& line) {
    const bool any = PendingSize() > 0;
    if (any) line = std::string_view(pending_).substr(start_);
    // Everything is taken; the next Feed lets go of the bytes.
    start_ = scanned_ = pending_.size();
    return any;
}

bool IsUpgradeMarkerLine(std::string_view line) {
    return line == kUpgradeMarker;
}

bool HoldsEndMarker(std::string_view line) {
    return line.find(kEndMarker) != std::string_view::npos;
}

std::string ResultsFileContent(std::string_view body) {
    PageLineReader reader;
    reader.Feed(body);
    std::string content;
    std::string_view line;
    while (reader.NextLine(line) || reader.Finish(line)) {
        if (HoldsEndMarker(line)) break;
        content += line;
        content += "\r\n";
    }
    return content;
}
