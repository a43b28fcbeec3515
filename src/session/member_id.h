// The member whose pages and results a command works on, as it comes from
// the ID box ("12345678 -- SMITH, JOHN"): its first 8 characters, accepted
// only when they are 8 digits. Every path and address built from the ID
// takes this value, so a text like "../../x" never reaches the file system
// and the rule lives in one place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace krv {

class KrvSession;
struct PdfPlace;

class MemberId {
public:
    // The first 8 characters of the ID box text; nullopt unless they are
    // 8 digits.
    static std::optional<MemberId> fromIdBox(std::string_view idBoxText);

    const std::string& text() const { return digits_; }
    friend bool operator==(const MemberId&, const MemberId&) = default;

private:
    explicit MemberId(std::string digits) : digits_(std::move(digits)) {}
    std::string digits_;
};

// The member in the session's ID box, as above.
std::optional<MemberId> idBoxMember(const KrvSession& session);

// Where a printout of the member in the ID box goes when the system has no
// printer: fileName in the member's Results folder, or, without a member ID
// in the box, the reason why it cannot be saved.
PdfPlace memberPdfPlace(const KrvSession& session, const std::string& fileName);

}  // namespace krv
