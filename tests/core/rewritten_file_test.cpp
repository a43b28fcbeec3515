#include <gtest/gtest.h>

#include "platform/rewritten_file.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;

TEST(RewrittenFile, HoldsExactlyTheNewBytesWhateverWasThere) {
    TempDir dir;
    for (const std::string old : {"", "a much longer old text than the new one\r\n", "ab"}) {
        const std::string path = dir / "list.txt";
        std::filesystem::remove(path);
        if (!old.empty()) writeBytes(path, old);
        RewrittenFile file(path);
        file.write("new ");
        file.write("text\r\n");
        EXPECT_TRUE(file.finish()) << old;
        EXPECT_EQ(readBytes(path), "new text\r\n") << old;
    }
    // A file that cannot be opened reports it, and written bytes go nowhere.
    RewrittenFile missing(dir / "no-such-folder/list.txt");
    missing.write("lost");
    EXPECT_FALSE(missing.finish());
}
