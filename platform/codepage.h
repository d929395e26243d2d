#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// The single-byte code page in which the program's texts are held: Windows-1252,
// with its five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) mapped to the C1
// control characters of the same value, so that every byte has a character and
// back again.
char16_t CodePageToUnicode(unsigned char byte);

// The byte for a character, or '?' when the code page has none for it.
char UnicodeToCodePage(char16_t ch);

QString BytesToQString(std::string_view bytes);
std::string QStringToBytes(const QString& text);

}  // namespace platform
