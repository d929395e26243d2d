#include "lookup/lookup_fetch.h"

#include <cstring>
#include <utility>

#include "lookup/lookup_download.h"
#include "platform/busy_cursor.h"
#include "platform/file.h"

namespace {

// The most bytes taken from a page in one read. A read returns what has
// arrived without waiting for more, so this only bounds the copy.
constexpr std::size_t kReadSize = 64 * 1024;

// The page lines of a page, read as they are needed.
class PageLines {
public:
    explicit PageLines(PageRead read) : read_(std::move(read)) {}

    // Points `line` at the next line (valid until the next call) and
    // returns true; returns false when the page has no more lines, or when
    // more than `longest` bytes of the next line have come without its end
    // (then the line is not taken).
    bool Next(std::string_view& line, std::size_t longest = std::string::npos) {
        for (;;) {
            if (reader_.NextLine(line)) return true;
            if (ended_ || reader_.PendingSize() > longest) return false;
            buffer_.resize(kReadSize);
            const std::size_t count = read_(buffer_.data(), buffer_.size());
            if (count == 0) {
                ended_ = true;
                return reader_.Finish(line);
            }
            reader_.Feed(std::string_view(buffer_.data(), count));
        }
    }

private:
    PageRead read_;
    PageLineReader reader_;
    std::string buffer_;
    bool ended_ = false;
};

PageRead ReadFrom(platform::InternetPage& page) {
    return [&page](char* buffer, std::size_t size) {
        return platform::InternetReadFile(page, buffer, size);
    };
}

// Where the end marker first occurs in `text`, or npos. The search stops
// only at its "M", which is rare in a page, unlike the "<" that starts it.
std::size_t FindEndMarker(std::string_view text) {
    static_assert(kEndMarker == "</HTML>");
    constexpr std::size_t kM = 4;
    for (std::size_t at = kM; at < text.size(); ++at) {
        const void* m = std::memchr(text.data() + at, 'M', text.size() - at);
        if (m == nullptr) break;
        at = static_cast<std::size_t>(static_cast<const char*>(m) - text.data());
        if (text.substr(at - kM, kEndMarker.size()) == kEndMarker) return at - kM;
    }
    return std::string_view::npos;
}

}  // namespace

bool ProbeUpgradeNotice(platform::InternetSession& internet) {
    platform::InternetPage page = platform::InternetOpenUrlA(internet, web::UpgradeNoticeUrl());
    std::string_view line;
    // A first line that is already longer than the marker cannot match, so
    // the probe stops reading there however long that line runs.
    PageLines lines(ReadFrom(page));
    const bool taken = lines.Next(line, kUpgradeMarker.size());
    platform::InternetCloseHandle(page);
    return taken && IsUpgradeMarkerLine(line);
}

void SavePageLines(const PageRead& read, platform::File& file) {
    // The lines taken from each read are written together, not one by one:
    // a large page has millions of short lines.
    std::string lines;
    const auto write = [&file, &lines] {
        if (lines.empty()) return;
        platform::BusyCursor busy;
        file.Write(lines.data(), lines.size());
        lines.clear();
    };
    // Adds the lines of `taken` (each ended by an LF) with CR LF ends.
    const auto add = [&lines](std::string_view taken) {
        while (!taken.empty()) {
            const std::size_t lf = taken.find('\n');
            lines.append(taken.data(), lf);
            lines.append("\r\n", 2);
            taken.remove_prefix(lf + 1);
        }
    };
    PageLineReader reader;
    std::string buffer(kReadSize, '\0');
    for (;;) {
        std::string_view taken;
        if (reader.NextLines(taken)) {
            // The marker never spans lines, so the first line that holds
            // it holds its first occurrence in all of them.
            const std::size_t at = FindEndMarker(taken);
            if (at != std::string_view::npos) {
                const std::size_t lf = taken.rfind('\n', at);
                add(taken.substr(0, lf == std::string_view::npos ? 0 : lf + 1));
                write();
                return;
            }
            add(taken);
        }
        write();
        const std::size_t count = read(buffer.data(), buffer.size());
        if (count == 0) break;
        reader.Feed(std::string_view(buffer.data(), count));
    }
    std::string_view last;
    if (reader.Finish(last) && !HoldsEndMarker(last)) {
        lines.append(last);
        lines.append("\r\n", 2);
    }
    write();
}

void FetchResults(platform::InternetSession& internet, const std::string& url) {
    platform::InternetPage page = platform::InternetOpenUrlA(internet, url);
    platform::File file;
    if (file.Open(kResultsFileName, platform::File::Mode::kCreateWrite)) {
        SavePageLines(ReadFrom(page), file);
        file.Close();
    }
    platform::InternetCloseHandle(page);
}
