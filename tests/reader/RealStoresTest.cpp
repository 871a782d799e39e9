// The real stores written by Outlook Express, and the writer's copies of their messages:
// the reader must get the same from both.
#include "ReaderTestSupport.h"
#include "content/DateText.h"
#include "reader/RawMessage.h"
#include "support/Md5.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace glanmail::testing {
namespace {

struct RealStore {
    const char* file;
    const char* subject;
    const char* sender;
    const char* messageId;
    std::int64_t receivedUnix;
    std::size_t rawSize;
    const char* md5;
};

const RealStore kStores[] = {
    {"one-message-a.dbx", "Please read you won't be sorry........", "Wealth_Enterprises_2002",
     "<200204140027.g3E0RlgZ025299@ue250-1.rz.RWTH-Aachen.DE>", 1018744077, 16993, "67FB6A918B4AA4CE00447E97C7EE6870"},
    {"one-message-b.dbx", "[fmII] centericq 4.7.5 released (Default branch)", "noreply@freshmeat.net",
     "<20020617194207.DF10883011@mail.freshmeat.net>", 1024344150, 2710, "F6846EDAB46081094AE9D0794EB0A075"},
};

std::string RealPath(const char* file) {
    return std::string(GLANMAIL_REAL_SAMPLES) + "/" + file;
}

class RealStores : public ::testing::TestWithParam<RealStore> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(RealPath(GetParam().file))) {
            GTEST_SKIP() << "the real stores are not here (" << GLANMAIL_REAL_SAMPLES << ")";
        }
    }
};

TEST_P(RealStores, ListAndRawMatchTheKnownFacts) {
    const RealStore& facts = GetParam();
    FakePrompter prompter;
    const auto store = OpenStore(RealPath(facts.file), prompter, ContentState{});
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(store->MsgCount(), 1u);
    EXPECT_EQ(store->Caption(), std::string("1/1 messages complets/contenus dans le fichier ") + facts.file);
    const MsgEntry& e = store->Entry(1);
    EXPECT_EQ(e.DataOffset, 0xEAD4);
    EXPECT_EQ(e.Subject, facts.subject);
    EXPECT_EQ(e.Sender, facts.sender);
    EXPECT_EQ(e.DateKey, DateSort(e.DateText));
    const auto raw = ReadRawMsg(*store->bytes, e.DataOffset, prompter);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->size(), facts.rawSize);
    EXPECT_EQ(Md5Hex(*raw), facts.md5);
}

TEST_P(RealStores, WritersCopyReadsTheSame) {
    const RealStore& facts = GetParam();
    FakePrompter prompter;
    const auto real = OpenStore(RealPath(facts.file), prompter, ContentState{});
    ASSERT_NE(real, nullptr);
    const MsgEntry& r = real->Entry(1);
    const auto raw = ReadRawMsg(*real->bytes, r.DataOffset, prompter);
    ASSERT_TRUE(raw.has_value());

    WriterMessage m;
    m.raw = *raw;
    m.subject = facts.subject;
    m.subjectKey = facts.subject;
    m.messageId = facts.messageId;
    m.sender = facts.sender;
    m.received = FiletimeFromUnix(facts.receivedUnix);
    const auto copy = OpenBytes(WriteStore({m}), prompter, facts.file);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->MsgCount(), 1u);
    const MsgEntry& c = copy->Entry(1);
    EXPECT_EQ(c.Subject, r.Subject);
    EXPECT_EQ(c.Sender, r.Sender);
    EXPECT_EQ(c.DateText, r.DateText);
    EXPECT_EQ(c.DateKey, r.DateKey);
    EXPECT_EQ(c.ThreadKey, r.ThreadKey);
    EXPECT_EQ(copy->Caption(), real->Caption());
    EXPECT_EQ(ReadRawMsg(*copy->bytes, c.DataOffset, prompter), raw);
    EXPECT_TRUE(prompter.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Both, RealStores, ::testing::ValuesIn(kStores),
                         [](const ::testing::TestParamInfo<RealStore>& p) {
                             return std::string(p.param.file[12] == 'a' ? "A" : "B");
                         });

} // namespace
} // namespace glanmail::testing
