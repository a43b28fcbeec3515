// The member ID taken from the ID box: the one rule every path and address
// built from it relies on, and the PDF place of a printout built on it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/printer.h"
#include "session/member_id.h"
#include "session/session.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"

using namespace krv;

namespace {

TEST(MemberId, IsTheBoxsFirstEightCharactersWhenTheyAreDigits) {
    struct Case {
        const char* box;
        std::optional<std::string> id;
    };
    const Case cases[] = {
        {"12345678 -- SMITH, JOHN", "12345678"},
        {"12345678", "12345678"},
        {"123456789", "12345678"},  // only the first eight count, as the list keys do
        {"1234567", std::nullopt},
        {"", std::nullopt},
        {" 12345678", std::nullopt},
        {"1234567a -- X", std::nullopt},
        {"../../x", std::nullopt},
        {"1234/678", std::nullopt},
        {"-1234567", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto id = MemberId::fromIdBox(c.box);
        EXPECT_EQ(id ? std::optional<std::string>(id->text()) : std::nullopt, c.id) << c.box;
    }
}

TEST(MemberId, NamesThePdfPlaceOfAPrintoutOrWhyThereIsNone) {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    krv::testing::FakeDownloader offline;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, offline};

    session.ui.CmbID = "12345678 -- SMITH, JOHN";
    PdfPlace place = memberPdfPlace(session, "digest.pdf");
    EXPECT_EQ(place.folder, session.store().memberResultsDir("12345678"));
    EXPECT_EQ(place.fileName, "digest.pdf");
    EXPECT_TRUE(place.refusal.empty());

    session.ui.CmbID = "../../x";
    place = memberPdfPlace(session, "digest.pdf");
    EXPECT_TRUE(place.folder.empty());
    EXPECT_NE(place.refusal.find("8-digit member ID"), std::string::npos);
}

}  // namespace
