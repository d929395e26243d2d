#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The complaint file's fixed relative name; it lands in the current directory.
inline constexpr char kComplaintFileName[] = "abuse000.eml";

// The complaint message for the contact domain `contact` ("@" and the domain)
// quoting `source`, as the eight pieces that are written in order with
// nothing between them:
//   1. "To: abuse", the contact domain, CR LF
//   2. "CC: postmaster", the contact domain, CR LF
//   3. the subject line and CR LF
//   4. the MIME header lines and the empty line that ends the header
//   5. the request, framed by empty lines
//   6. a separator line of 69 "=" and an empty line
//   7. `source`, byte for byte
//   8. the separator again
// The contact domain is written up to its first CR or LF, so that a hostile
// lookup page cannot add header lines through it. With c the length written
// of the contact domain and s that of `source`, the pieces hold
// 360 + 2c + s bytes. Only piece 7 can be empty.
std::vector<std::string> ComplaintPieces(const std::string& contact, const std::string& source);

// Where `source` stands among the pieces (piece 7 above).
inline constexpr std::size_t kSourcePiece = 6;

// Creates "abuse000.eml" in the current directory through the file service
// (or cuts an existing one to length 0; a symbolic link is not followed and
// nobody else may open the file meanwhile), writes each non-empty piece of
// ComplaintPieces in one write, and closes it. Returns false, having written
// nothing, when the file cannot be created. A write that fails or falls
// short, or a failed close, raises platform::FileError; the file then stays
// as far as it was written.
bool WriteComplaint(const std::string& contact, const std::string& source);
