#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/read_ahead.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::TempDir;
using krv::testing::writeBytes;

namespace {
// Enough files for several batches, so that the reader has to wait for the
// caller; every fifth one is missing.
std::vector<std::string> sampleFiles(const TempDir& dir, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(dir / ("f" + std::to_string(i)));
        if (i % 5 != 4) writeBytes(paths.back(), std::string(static_cast<std::size_t>(i), 'x') + "\r\n");
    }
    return paths;
}
}  // namespace

TEST(ReadAhead, HandsOverEveryFileInOrderAndMissingFilesAsNothing) {
    TempDir dir;
    const auto paths = sampleFiles(dir, 200);
    ReadAhead pages(paths);
    std::optional<std::string_view> bytes;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(pages.next(bytes)) << i;
        if (i % 5 == 4) EXPECT_FALSE(bytes) << i;
        else EXPECT_EQ(bytes, std::string(static_cast<std::size_t>(i), 'x') + "\r\n") << i;
    }
    EXPECT_FALSE(pages.next(bytes));
    EXPECT_FALSE(pages.next(bytes));
}

TEST(ReadAhead, NoFilesAndACallerThatStopsEarly) {
    std::optional<std::string_view> none;
    EXPECT_FALSE(ReadAhead({}).next(none));
    TempDir dir;
    // The reader is left waiting with full batches; the end must not hang.
    ReadAhead pages(sampleFiles(dir, 500));
    std::optional<std::string_view> bytes;
    EXPECT_TRUE(pages.next(bytes));
}
