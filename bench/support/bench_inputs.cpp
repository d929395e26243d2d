#include "bench/support/bench_inputs.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <system_error>

#include "lookup/web_addresses.h"

namespace benchinput {

namespace {

// splitmix64: small, and the same numbers on every platform and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    const char* Pick(const std::vector<const char*>& items) { return items[Below(items.size())]; }

private:
    std::uint64_t state_;
};

constexpr std::uint64_t kSeed = 20261211;

const std::vector<const char*> kWords = {
    "offer",  "limited", "account", "verify",  "click", "here",  "free",     "winner",
    "please", "update",  "your",    "details", "today", "only",  "the",      "and",
    "of",     "to",      "money",   "bank",    "prize", "claim", "now",      "urgent",
    "reply",  "secure",  "online",  "special", "price", "order", "shipping", "discount",
};

// Brackets that a route scan must look at and pass over.
const std::vector<const char*> kNearMisses = {
    "[1]",
    "[image: banner]",
    "[10.0.0]",
    "[192.168.1.1.5]",
    "[IPv6:2001:db8::1]",
    "[ ]",
    "[]",
    "[a.b.c.d]",
    "[12.34.56.78a]",
    "[unsubscribe]",
    "[10..0.1.]x]",
    "[.1.2.3.4.]",
};

std::string Address(Random& random) {
    std::string a;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) a += '.';
        a += std::to_string(1 + random.Below(254));
    }
    return a;
}

void AppendHeaderBlock(std::string& out, Random& random, int hops) {
    for (int i = 0; i < hops; ++i) {
        const std::string host = "relay" + std::to_string(random.Below(1000)) + ".example.net";
        out += "Received: from " + host + " (" + host + " [" + Address(random) + "])\r\n\tby mx" +
               std::to_string(i) + ".example.org (Postfix) with ESMTP id 4F" +
               std::to_string(random.Next() % 100000) +
               "\r\n\tfor <user@example.org>; Fri, 11 Dec 2026 10:1" + std::to_string(i) +
               ":00 +0000\r\n";
    }
    out += "Message-ID: <" + std::to_string(random.Next()) +
           "@example.net>\r\nFrom: \"Prize Desk\" <desk@example.net>\r\nTo: user@example.org\r\n"
           "Subject: [SPAM] Your account [ref 2231] needs attention\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n";
}

// Body lines up to `bytes` bytes of `out`: prose paragraphs with a bracket
// now and then, and base64 runs.
void AppendBody(std::string& out, Random& random, std::size_t bytes) {
    static const char kBase64[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    while (out.size() < bytes) {
        if (random.Below(4) == 0) {
            for (int n = 0; n < 40 && out.size() < bytes; ++n) {
                for (int i = 0; i < 76; ++i) out += kBase64[random.Below(64)];
                out += "\r\n";
            }
        } else {
            for (int n = 0; n < 8 && out.size() < bytes; ++n) {
                std::size_t line = 0;
                while (line < 70) {
                    const char* word =
                        random.Below(12) == 0 ? random.Pick(kNearMisses) : random.Pick(kWords);
                    out += word;
                    out += ' ';
                    line += std::strlen(word) + 1;
                }
                out += "\r\n";
            }
            out += "\r\n";
        }
    }
}

std::string MakeMessage(std::size_t bytes) {
    Random random(kSeed);
    std::string out;
    out.reserve(bytes + 4096);
    AppendHeaderBlock(out, random, 5);
    AppendBody(out, random, bytes / 2);
    out += "--b1\r\nContent-Type: message/rfc822\r\n\r\n";
    AppendHeaderBlock(out, random, 4);
    std::string tail = "--b1\r\nContent-Type: text/rfc822-headers\r\n\r\n";
    AppendHeaderBlock(tail, random, 3);
    tail += "--b1--\r\n";
    AppendBody(out, random, bytes > tail.size() ? bytes - tail.size() : 0);
    out += tail;
    return out;
}

std::string MakePage(std::size_t bytes) {
    Random random(kSeed + 1);
    const std::string domain(web::kServiceDomain);
    std::string out =
        "<HTML>\r\n<HEAD><TITLE>Abuse lookup results</TITLE></HEAD>\r\n<BODY BGCOLOR=white>\r\n"
        "<CENTER><FONT SIZE=\"+2\">Owner of 192.0.2.1</FONT></CENTER>\r\n<P>Checked by " +
        domain + "</P>\r\n<DL>\r\n";
    std::string tail =
        "<DT><B>Abuse contact:</B><DD><A HREF=\"mailto:abuse@example-isp.test\">abuse"
        "@example-isp.test</A></P>\r\n</DL>\r\n<P>Lookup by " +
        domain + "</P>\r\n</BODY>\r\n</HTML>\r\n";
    out.reserve(bytes + 4096);
    const std::size_t body = bytes > tail.size() ? bytes - tail.size() : 0;
    for (std::size_t n = 0; out.size() < body; ++n) {
        // Mostly record lines full of tags; now and then a line naming the
        // service, and a bare LF with a space after it that the reader repairs.
        const std::size_t kind = random.Below(64);
        if (kind == 0) {
            out += "   route maintained via " + domain + " &amp; partners " +
                   std::to_string(random.Next() % 1000000) + "</P>\r\n";
        } else if (kind == 1) {
            out += "<A HREF=\"http://www.example-isp.test/noc/" +
                   std::to_string(random.Below(10000)) +
                   "\">network operations</A> - open 24h\r\n\n plain text after a bare LF\r\n";
        } else if (kind % 2 == 0) {
            out += "<DT><B>Remark " + std::to_string(n) + ":</B><DD>Example ISP Ltd., " +
                   random.Pick(kWords) + " network " + std::to_string(random.Below(99)) +
                   "<BR>\r\n";
        } else {
            out += "<TR><TD>inetnum</TD><TD>192.0." + std::to_string(random.Below(255)) +
                   ".0 - 192.0." + std::to_string(random.Below(255)) + ".255</TD></TR>\r\n";
        }
    }
    out += tail;
    return out;
}

// Every size is measured alike: memory a routine frees stays with the
// program for its next round. Otherwise glibc keeps freed blocks of up to
// 32 MiB but unmaps larger ones, so only the largest inputs would pay for
// fresh pages on every round.
const bool kKeepFreedMemory = [] {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    return true;
}();

}  // namespace

const std::string& MailMessage(std::size_t bytes) {
    static std::map<std::size_t, std::string> made;
    auto it = made.find(bytes);
    if (it == made.end()) it = made.emplace(bytes, MakeMessage(bytes)).first;
    return it->second;
}

const std::string& LookupPage(std::size_t bytes) {
    static std::map<std::size_t, std::string> made;
    auto it = made.find(bytes);
    if (it == made.end()) it = made.emplace(bytes, MakePage(bytes)).first;
    return it->second;
}

std::string RowName(std::string_view row, int mib, std::string_view kind) {
    std::string name(row);
    name += '/';
    name += std::to_string(mib);
    name += "MiB/";
    name += kind;
    return name;
}

void RegisterRow(std::string_view row, SizedBenchmark routine, SizedBenchmark floor,
                 const std::vector<int>& sizesMiB) {
    for (const int mib : sizesMiB) {
        const std::size_t bytes = static_cast<std::size_t>(mib) * kMiB;
        for (const auto& [kind, fn] : {std::pair{"routine", routine}, std::pair{"floor", floor}}) {
            benchmark::RegisterBenchmark(
                RowName(row, mib, kind).c_str(),
                [fn = fn, bytes](benchmark::State& state) { fn(state, bytes); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(1.0);
        }
    }
}

TempFolder::TempFolder() {
    // Files in memory, where the system has a place for them, so that the
    // disk's write-back does not blur the measures.
    std::error_code ignored;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "brindle-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

InFolder::InFolder(const std::filesystem::path& folder)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
}

InFolder::~InFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), path.string());
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0) {
            ::close(fd);
            throw std::system_error(errno, std::generic_category(), path.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
}

std::size_t CountByMemchr(std::string_view text, char byte) {
    std::size_t count = 0;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (const void* hit = std::memchr(at, byte, static_cast<std::size_t>(end - at))) {
        ++count;
        at = static_cast<const char*>(hit) + 1;
    }
    return count;
}

}  // namespace benchinput
