#include "complaint/complaint_message.h"
#include "platform/file.h"

bool WriteComplaint(const std::string& contact, const std::string& source) {
    platform::File file;
    if (!file.Open(kComplaintFileName, platform::File::Mode::kCreateWrite)) return false;
    // The source is written from where it lies; a large message is not
    // copied into the pieces.
    const std::vector<std::string> pieces = ComplaintPieces(contact, std::string());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string& piece = i == kSourcePiece ? source : pieces[i];
        if (!piece.empty()) file.Write(piece.data(), piece.size());
    }
    file.Close();
    return true;
}
