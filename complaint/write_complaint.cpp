#include "complaint/complaint_message.h"
#include "platform/file.h"

bool WriteComplaint(const std::string& contact, const std::string& source) {
    platform::File file;
    if (!file.Open(kComplaintFileName, platform::File::Mode::kCreateWrite)) return false;
    for (const std::string& piece : ComplaintPieces(contact, source)) {
        if (!piece.empty()) file.Write(piece.data(), piece.size());
    }
    file.Close();
    return true;
}
