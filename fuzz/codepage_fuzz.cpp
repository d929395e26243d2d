// Bytes of any value through the code page and through an edit box, as a
// message text travels between the source member and its box; and any
// UTF-16 text, as the user may type or paste it, back to bytes.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/qt_app.h"
#include "platform/codepage.h"
#include "platform/edit_box.h"

namespace {

platform::EditBox* g_box = nullptr;

void CheckBytes(std::string_view bytes) {
    const QString text = platform::BytesToQString(bytes);
    FUZZ_CHECK(static_cast<std::size_t>(text.size()) == bytes.size());
    FUZZ_CHECK(platform::QStringToBytes(text) == bytes);

    g_box->SetBytes(bytes);
    FUZZ_CHECK(g_box->GetBytes() == bytes);
}

// The same input read as UTF-16: every character becomes one byte, and those
// bytes then go round exactly.
void CheckUnicode(const std::uint8_t* data, std::size_t size) {
    QString text;
    for (std::size_t k = 0; k + 1 < size; k += 2) {
        text.append(QChar(static_cast<char16_t>(data[k] | data[k + 1] << 8)));
    }
    const std::string bytes = platform::QStringToBytes(text);
    FUZZ_CHECK(static_cast<std::size_t>(text.toUcs4().size()) == bytes.size());
    FUZZ_CHECK(platform::QStringToBytes(platform::BytesToQString(bytes)) == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartOffscreenApplication();
    g_box = new platform::EditBox(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckUnicode(data, size);
    return 0;
}
