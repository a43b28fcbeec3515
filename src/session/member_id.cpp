#include "session/member_id.h"

#include "platform/printer.h"
#include "platform/text.h"
#include "session/session.h"
#include "session/store.h"

namespace krv {

std::optional<MemberId> MemberId::fromIdBox(std::string_view idBoxText) {
    std::string id = left(idBoxText, 8);
    if (!isSafeMemberId(id)) return std::nullopt;
    return MemberId(std::move(id));
}

std::optional<MemberId> idBoxMember(const KrvSession& session) { return MemberId::fromIdBox(session.ui.CmbID); }

PdfPlace memberPdfPlace(const KrvSession& session, const std::string& fileName) {
    const auto id = idBoxMember(session);
    if (!id)
        return {.folder = {}, .fileName = fileName, .refusal = "the ID box does not begin with an 8-digit member ID."};
    return {.folder = session.store().memberResultsDir(id->text()), .fileName = fileName, .refusal = {}};
}

}  // namespace krv
