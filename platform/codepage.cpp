#include "platform/codepage.h"

#include <array>

namespace platform {

namespace {

constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char16_t CodePageToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80u];
    return byte;
}

char UnicodeToCodePage(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<char>(ch);
    for (size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == ch) return static_cast<char>(0x80 + i);
    }
    return '?';
}

QString BytesToQString(std::string_view bytes) {
    // Latin-1 gives every byte but 0x80-0x9F its character, and Qt converts
    // it fast; those 32 are then put right.
    QString out = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QChar* dst = nullptr;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0) {
            if (dst == nullptr) dst = out.data();
            dst[i] = QChar(kHigh[b - 0x80u]);
        }
    }
    return out;
}

std::string QStringToBytes(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the basic plane is one character, so one '?'.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        out.push_back(UnicodeToCodePage(text[i].unicode()));
    }
    return out;
}

}  // namespace platform
