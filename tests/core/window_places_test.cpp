#include <gtest/gtest.h>

#include "platform/store_error.h"
#include "shell/window_places.h"
#include "support/temp_store.h"

using namespace krv;

TEST(WindowPlaces, RoundTripThroughTheFile) {
    krv::testing::TempDir dir;
    WindowPlaces places;
    places.windows["cmdanalyse"] = {-1200, 40, 1120, 760};  // a screen left of the primary one
    places.windows["FormDigest"] = {300, 200, 860, 640};
    places.columnWidths["MSFlexSort"] = {0, 250, 0, 61};
    writeWindowPlaces(dir.str(), places);
    EXPECT_EQ(krv::testing::readBytes(dir / kWindowPlacesFileName),
              "FormDigest=300,200,860,640\r\ncmdanalyse=-1200,40,1120,760\r\nMSFlexSort.columns=0,250,0,61\r\n");
    EXPECT_EQ(readWindowPlaces(dir.str()), places);
    EXPECT_EQ(readWindowPlaces(dir / "missing"), WindowPlaces{});
}

TEST(WindowPlaces, LinesThatDoNotReadAsPlacesAreSkipped) {
    const WindowPlaces places = parseWindowPlaces({
        "FormChart=10,20,300,200",
        "FormWeb=10,20,300",           // too few numbers
        "FormIndividual=10,20,0,200",  // no width
        "=1,2,3,4",
        "cmdanalyse=1,2,3,x",
        "FormDigest = 1,2,3,4",  // blanks are not part of the format
        "no equals sign",
        "MSFlexSort.columns=80,,90",
        "MSFlexResults.columns=5,6",
        "huge=99999999999999999999,1,2,3",
    });
    ASSERT_EQ(places.windows.size(), 1u);
    EXPECT_EQ(places.windows.at("FormChart"), (WindowPlace{10, 20, 300, 200}));
    ASSERT_EQ(places.columnWidths.size(), 1u);
    EXPECT_EQ(places.columnWidths.at("MSFlexResults"), (std::vector<int>{5, 6}));
}

TEST(WindowPlaces, AFailedWriteNamesTheFile) {
    krv::testing::TempDir dir;
    try {
        writeWindowPlaces(dir / "no-such-folder", WindowPlaces{});
        FAIL() << "no error";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-folder/windows.txt"), std::string::npos) << e.what();
    }
}
