#include "lookup/lookup_fetch.h"

#include "lookup/lookup_download.h"
#include "platform/busy_cursor.h"
#include "platform/file.h"

namespace {

// The most bytes taken from a page in one read.
constexpr std::size_t kReadSize = 4096;

// The page lines of an open page, read as they are needed.
class PageLines {
public:
    explicit PageLines(platform::InternetPage& page) : page_(page) {}

    // Puts the next line into `line` and returns true; returns false when the
    // page has no more lines, or when more than `longest` bytes of the next
    // line have come without its end (then the line is not taken).
    bool Next(std::string& line, std::size_t longest = std::string::npos) {
        for (;;) {
            if (reader_.NextLine(line)) return true;
            if (ended_ || reader_.PendingSize() > longest) return false;
            char buffer[kReadSize];
            const std::size_t count = platform::InternetReadFile(page_, buffer, sizeof buffer);
            if (count == 0) {
                ended_ = true;
                return reader_.Finish(line);
            }
            reader_.Feed(std::string_view(buffer, count));
        }
    }

private:
    platform::InternetPage& page_;
    PageLineReader reader_;
    bool ended_ = false;
};

}  // namespace

bool ProbeUpgradeNotice(platform::InternetSession& internet) {
    platform::InternetPage page = platform::InternetOpenUrlA(internet, web::UpgradeNoticeUrl());
    std::string line;
    // A first line that is already longer than the marker cannot match, so
    // the probe stops reading there however long that line runs.
    const bool taken = PageLines(page).Next(line, kUpgradeMarker.size());
    platform::InternetCloseHandle(page);
    return taken && IsUpgradeMarkerLine(line);
}

void FetchResults(platform::InternetSession& internet, const std::string& url) {
    platform::InternetPage page = platform::InternetOpenUrlA(internet, url);
    platform::File file;
    if (file.Open(kResultsFileName, platform::File::Mode::kCreateWrite)) {
        PageLines lines(page);
        std::string line;
        while (lines.Next(line) && !HoldsEndMarker(line)) {
            platform::BusyCursor busy;
            line += "\r\n";
            file.Write(line.data(), line.size());
        }
        file.Close();
    }
    platform::InternetCloseHandle(page);
}
