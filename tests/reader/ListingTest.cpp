// A store large enough that its message-info objects are read by two threads: every row is
// listed once, and damage in either half is counted.
#include "ReaderTestSupport.h"
#include "support/Files.h"

#include <gtest/gtest.h>
#include <set>

namespace glanmail {
namespace {

using testing::FakePrompter;

TEST(Listing, ALargeStoreListsEveryRowOnceWhicheverThreadReadItsObject) {
    constexpr int kMessages = 6001;
    std::vector<testing::WriterMessage> mails = testing::Mails(kMessages);
    mails[10].badInfoMarker = true;   // read by the thread that tells the progress
    mails[5990].badInfoMarker = true; // read by the second thread
    FakePrompter prompter;
    std::size_t steps = 0;
    BuildProgress progress;
    progress.step = [&steps](std::size_t) { ++steps; };
    const testing::TempFolder folder;
    testing::WriteFile(folder / "Grand.dbx", testing::WriteStore(mails));
    const auto store = OpenStore(folder / "Grand.dbx", prompter, false, nullptr, &progress);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->UnreadableEntries, 2u);
    std::multiset<std::string> subjects;
    for (std::size_t id = 1; id <= store->MsgCount(); ++id) {
        subjects.insert(store->Entry(id).Subject);
    }
    std::multiset<std::string> expected;
    for (int i = 0; i < kMessages; ++i) {
        if (i != 10 && i != 5990) {
            expected.insert("Sujet " + std::to_string(i));
        }
    }
    EXPECT_EQ(subjects, expected);
    EXPECT_GT(steps, 0u); // the progress is told from the caller's thread
}

} // namespace
} // namespace glanmail
