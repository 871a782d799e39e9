// Reading a store from its file: what a read gives, and a file shortened by another program
// while the store is open.
#include "ReaderTestSupport.h"
#include "reader/ByteSource.h"
#include "reader/RawMessage.h"
#include "support/Files.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace glanmail::testing {
namespace {

// Reads going forward in small steps are served from bytes read ahead; every read must give
// what a direct read of the same place gives, whatever the pattern: steps inside and across
// the window, reads longer than it, jumps back and far ahead, the end of the file. Once the
// file is shortened, reads give what is left of it.
TEST(FileSource, EveryReadGivesTheBytesOfItsPlaceEvenInAFileShortenedWhileOpen) {
    std::string bytes(3 << 20, '\0');
    std::uint32_t x = 12345;
    for (char& c : bytes) {
        x = x * 1103515245 + 12345;
        c = static_cast<char>(x >> 24);
    }
    const TempFolder temp;
    const std::string path = temp / "ahead";
    WriteFile(path, bytes);
    const auto source = FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Size(), bytes.size());
    std::uint64_t at = 0;
    for (int i = 0; i < 3000; ++i) {
        x = x * 1103515245 + 12345;
        const std::uint32_t r = x >> 8;
        // Anywhere, a little back, longer than a window, at the end, or forward.
        const std::uint32_t kind = r % 10;
        const std::size_t n = kind == 2 ? 300000 + r % 100000 : 1 + r % 3000;
        at = kind == 0   ? r % bytes.size()
             : kind == 1 ? (at > 5000 ? at - r % 5000 : 0)
             : kind == 3 ? bytes.size() - r % 400
             : kind == 2 ? at
                         : at + r % 20000;
        at %= bytes.size() + 10;
        const std::string expected = at >= bytes.size() ? "" : bytes.substr(static_cast<std::size_t>(at), n);
        // Reads of just their size, among the others, neither use nor spoil what was read ahead.
        const std::string got = r % 7 == 0 ? source->ReadSized(at, n) : source->Read(at, n);
        ASSERT_EQ(got, expected) << "read " << i << " at " << at << ", " << n << " bytes";
        if (i % 500 == 0) {
            source->ForgetReadAhead();
        }
    }
    ASSERT_EQ(::truncate(path.c_str(), 100000), 0);
    source->ForgetReadAhead();
    EXPECT_EQ(source->Read(500000, 10), ""); // gone: the end of the file
    EXPECT_EQ(source->Read(90000, 20000), bytes.substr(90000, 10000));
    std::filesystem::remove(path);
    EXPECT_EQ(FileSource::Open(path), nullptr);
}

TEST(FileSource, AStoreShortenedWhileOpenGivesWhatIsLeftOfAMessage) {
    std::vector<WriterMessage> messages = Mails(2, std::string(100000, 'x'));
    StoreLayout l;
    const TempFolder temp;
    const std::string path = temp / "store.dbx";
    WriteFile(path, WriteStore(messages, {}, &l));
    FakePrompter p;
    const auto store = OpenStore(path, p);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->MsgCount(), 2u);
    const std::uint32_t cut = l.firstBlocks[1] + 40000;
    ASSERT_EQ(::truncate(path.c_str(), cut), 0);
    for (const MsgEntry& e : store->MsgTable) {
        const auto raw = ExtractChain(*store->bytes, e.DataOffset, p, AttachmentPolicy::Whole);
        ASSERT_TRUE(raw.has_value());
        const bool second = e.DataOffset == l.firstBlocks[1];
        EXPECT_EQ(raw->incomplete, second);
        // 75 whole blocks of 528 bytes, then 400 bytes of the next: its header and 384 message bytes.
        const std::string expected = second ? messages[1].raw.substr(0, 75 * 512 + 384) : messages[0].raw;
        EXPECT_EQ(raw->text.size(), expected.size());
        EXPECT_TRUE(raw->text == expected);
    }
    EXPECT_TRUE(p.shown.empty());
}

} // namespace
} // namespace glanmail::testing
