// The program never writes to a store: listing and extracting everything leaves its bytes
// and its modification time as they were.
#include "ReaderTestSupport.h"
#include "reader/RawMessage.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace glanmail::testing {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ReadOnly, ListingAndExtractingLeaveTheStoreUntouched) {
    const auto dir = std::filesystem::temp_directory_path() / "glanmail-reader-readonly";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Inbox.dbx").string();
    std::vector<WriterMessage> messages;
    for (int i = 0; i < 30; ++i) {
        messages.push_back(
            Mail("Sujet " + std::to_string(i % 7), "<" + std::to_string(i) + ">", std::string(900, 'x')));
    }
    std::ofstream(path, std::ios::binary) << WriteStore(messages);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string before = Slurp(path);
    struct stat st0 {};
    ASSERT_EQ(stat(path.c_str(), &st0), 0);

    FakePrompter p;
    {
        const auto store = OpenStore(path, p, {});
        ASSERT_NE(store, nullptr);
        ASSERT_EQ(store->MsgCount(), 30u);
        for (std::size_t id = 1; id <= store->MsgCount(); ++id) {
            ASSERT_TRUE(ReadRawMsg(*store->bytes, store->Entry(id).DataOffset, p).has_value());
            ASSERT_TRUE(ReadRawMsg(*store->bytes, store->Entry(id).DataOffset, p, AttachmentPolicy::Whole));
        }
    }
    EXPECT_TRUE(p.shown.empty());
    struct stat st1 {};
    ASSERT_EQ(stat(path.c_str(), &st1), 0);
    EXPECT_EQ(Slurp(path), before);
    EXPECT_EQ(st1.st_mtim.tv_sec, st0.st_mtim.tv_sec);
    EXPECT_EQ(st1.st_mtim.tv_nsec, st0.st_mtim.tv_nsec);

    // A store the user may only read opens all the same.
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_NE(OpenStore(path, p, {}), nullptr);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

} // namespace
} // namespace glanmail::testing
