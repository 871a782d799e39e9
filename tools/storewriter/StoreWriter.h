#pragma once
// Builds .dbx stores as Outlook Express lays them out (for tests, samples and benchmarks), and
// can damage them on purpose. The program itself never writes stores.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace glanmail::testing {

// How a message-info object gives the offset of the message's first data block.
enum class OffsetForm {
    Direct132, // property 132: the offset in the index entry itself (as Outlook Express writes it), when it
               // fits in 3 bytes; property 4 otherwise
    Indirect4, // property 4: a 4-byte value in the data area
    None       // no offset at all: the message is incomplete
};

// Whether the index reaches a message.
enum class Indexing {
    Indexed, // listed in the index tree
    Deleted, // message-info object and data blocks written, left out of the tree
    Fragment // data blocks only: no message-info object
};

struct WriterMessage {
    std::string raw; // the message bytes, stored in data blocks
    Indexing indexing = Indexing::Indexed;
    // Absolute offset at which the message's data blocks start, reached by seeking (a hole in
    // a file: a sparse store); 0 to follow the previous message.
    std::uint64_t placeAt = 0;
    // Properties of the message-info object; an absent one is not written.
    std::optional<std::string> subjectKey; // 5, NUL-ended
    std::optional<std::string> messageId;  // 7, NUL-ended
    std::optional<std::string> subject;    // 8, NUL-ended
    std::optional<std::string> parents;    // 10, NUL-ended: "<id1> <id2>", the last is the direct parent
    std::optional<std::string> sender;     // 13, NUL-ended
    std::optional<std::uint64_t> received; // 18, FILETIME (100 ns since 1601-01-01 UTC)
    OffsetForm offsetForm = OffsetForm::Direct132;
    std::size_t gapBefore = 0; // zero bytes written before the message's data blocks (to place them far)
    // Damage of this message, on purpose.
    bool badInfoMarker = false;                // the object's marker is not its offset
    bool chainCycle = false;                   // the last block points back to the first
    std::optional<std::uint8_t> extraProperty; // an additional indirect property (e.g. 60) of extraSize zero bytes
    std::size_t extraSize = 4;
};

struct StoreOptions {
    std::size_t entriesPerNode = 51;          // 1..51; smaller values make deeper trees
    std::optional<std::uint32_t> countAt0xC4; // overrides the message count in the header
    bool treeCycle = false;                   // the last node's first-child link points back to the root
    bool badNodeMarker = false;               // the root node's marker is wrong
    bool zeroRoot = false;                    // the root offset at 0xE4 is 0 (the tree is still written)
    bool cutTree = false;                     // the root's first-child link is 0: everything below it is lost
};

// Where things were written, so tests can damage single fields.
struct StoreLayout {
    std::uint32_t root = 0;
    std::vector<std::uint32_t> nodes;       // every tree node, root first
    std::vector<std::uint32_t> infoObjects; // message-info object of each message, in Add order (0: none)
    std::vector<std::uint32_t> firstBlocks; // first data block of each message, in Add order
    std::vector<std::uint64_t> ends;        // offset just past each message's last byte (blocks and object)
    std::uint64_t size = 0;
};

// Streams a store to a seekable out, keeping only offsets in memory.
class StoreWriter {
public:
    explicit StoreWriter(std::ostream& out, StoreOptions options = {});
    void Add(const WriterMessage& message);
    StoreLayout Finish();

private:
    std::uint32_t WriteChain(const WriterMessage& message);
    std::uint32_t WriteSubtree(std::size_t begin, std::size_t end);
    void Patch(std::uint64_t offset, std::uint32_t value);
    void MoveTo(std::uint64_t offset);

    std::ostream& out_;
    StoreOptions options_;
    StoreLayout layout_;
    std::vector<std::uint32_t> indexed_; // message-info objects the tree lists
    std::uint64_t pos_ = 0;
};

// The whole store as bytes.
std::string WriteStore(const std::vector<WriterMessage>& messages, const StoreOptions& options = {},
                       StoreLayout* layout = nullptr);

std::uint64_t FiletimeFromUnix(std::int64_t unixSeconds); // FILETIME of seconds since 1970 (UTC)

void PutU32(std::string& bytes, std::size_t offset, std::uint32_t value);
std::uint32_t GetU32(const std::string& bytes, std::size_t offset);

} // namespace glanmail::testing
