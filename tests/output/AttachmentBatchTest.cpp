// Saving the attachments of a batch: messages are read ahead of their turn, and what reading
// them raised is told at their turn, as if each had been read then.
#include "output/AttachmentBatch.h"

#include "common/FileSystem.h"
#include "reader/ReadErrors.h"
#include "storewriter/StoreWriter.h"
#include "support/FakePrompter.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::WriterMessage;

WriterMessage WithAttachment(int i) {
    WriterMessage m;
    const std::string n = std::to_string(i);
    m.raw = "Subject: Photo " + n +
            "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
            "--b\r\nContent-Type: text/plain\r\n\r\nVoici.\r\n"
            "--b\r\nContent-Type: application/octet-stream; name=\"f" +
            n + ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\nQUJD\r\n--b--\r\n";
    m.subject = m.subjectKey = "Photo " + n;
    m.messageId = "<" + n + "@x>";
    m.received = testing::FiletimeFromUnix(1018744077 + i);
    m.offsetForm = testing::OffsetForm::Indirect4;
    return m;
}

// Points message k's data offset at the last bytes of the file, where no block can be read.
void PointPastTheEnd(std::string& bytes, const testing::StoreLayout& layout, std::size_t k) {
    const std::uint32_t first = layout.firstBlocks[k];
    for (std::size_t at = layout.infoObjects[k]; at + 4 <= bytes.size(); ++at) {
        if (testing::GetU32(bytes, at) == first) {
            testing::PutU32(bytes, at, static_cast<std::uint32_t>(bytes.size() - 4));
            return;
        }
    }
    FAIL() << "no data offset in message " << k << "'s object";
}

TEST(AttachmentBatch, UnreadableMessagesAreToldAtTheirTurnAndTheOthersSaved) {
    std::vector<WriterMessage> mails;
    for (int i = 1; i <= 5; ++i) {
        mails.push_back(WithAttachment(i));
    }
    testing::StoreLayout layout;
    std::string bytes = testing::WriteStore(mails, {}, &layout);
    PointPastTheEnd(bytes, layout, 1);
    PointPastTheEnd(bytes, layout, 3);
    testing::FakePrompter opening;
    const auto store = OpenStoreBytes(std::make_unique<MemorySource>(bytes), "Photos.dbx", opening);
    ASSERT_TRUE(store);
    ASSERT_EQ(store->MsgCount(), 5u);

    const testing::TempFolder folder;
    testing::FakePrompter prompter;
    std::vector<std::size_t> told;
    const AttachmentBatch batch = SaveAttachments(*store, {1, 2, 3, 4, 5}, folder.Path(), prompter, SystemFiles(), {},
                                                  [&](std::size_t) { told.push_back(prompter.shown.size()); });
    EXPECT_EQ(batch.unreadable, 2u);
    EXPECT_EQ(batch.messages, 3u);
    EXPECT_EQ(batch.files, 3u);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>(2, errors::kPastEnd));
    // Each unreadable message's box comes between its progress and the next message's.
    ASSERT_EQ(told.size(), 5u);
    told.push_back(prompter.shown.size());
    for (std::size_t id = 1; id <= 5; ++id) {
        const std::string& subject = store->Entry(id).Subject;
        EXPECT_EQ(told[id] - told[id - 1], subject == "Photo 2" || subject == "Photo 4" ? 1u : 0u) << subject;
    }
    EXPECT_EQ(testing::Entries(folder.Path()).size(), 3u);
}

} // namespace
} // namespace glanmail
