#pragma once
// Where things lie in a .dbx store. Every pointer in a store is an absolute file offset;
// numbers are little-endian.
//
// File header, at offset 0:
//   0x00  4  signature CF AD 12 FE
//   0x04  4  file kind C5 FD 74 6F (a message store)
//   0x08 20  class bytes 66 E3 D1 11 9A 4E 00 C0 4F A3 09 D4 05 00 00 00 05 00 00 00
//   0xC4  4  number of messages in the store (0: none)
//   0xE4  4  offset of the root node of the message index tree (0: no tree)
// Index tree node, at its own offset N:
//   +0x00 4  marker: N itself
//   +0x08 4  first child node, walked after all of this node's entries (0: none)
//   +0x11 1  number of entries E
//   +0x18    E entries of 12 bytes: +0 message-info object (<= 0: none), +4 child node
//            walked right after the entry (0: none)
// Message-info object, at its own offset M:
//   +0x00 4  marker: M itself
//   +0x04 4  length of the index entries and the data area together
//   +0x0A 1  number of index entries P
//   +0x0C    P index entries of 4 bytes: property number, then a 24-bit value (offset
//            in the data area for numbers below 80, the value itself from 128 on)
//   then     the data area
// Data block, at its own offset D:
//   +0x08 2  number of message bytes in the block (read in the last block only)
//   +0x0C 4  next block of the chain (0: this is the last)
//   +0x10    512 message bytes (the counted bytes in the last block)

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace glanmail::layout {

inline constexpr std::uint64_t kSignatureAt = 0x00;
inline constexpr std::uint64_t kKindAt = 0x04;
inline constexpr std::uint64_t kClassAt = 0x08;
inline constexpr std::string_view kSignature("\xCF\xAD\x12\xFE", 4);
inline constexpr std::string_view kKind("\xC5\xFD\x74\x6F", 4);
inline constexpr std::string_view
    kClass("\x66\xE3\xD1\x11\x9A\x4E\x00\xC0\x4F\xA3\x09\xD4\x05\x00\x00\x00\x05\x00\x00\x00", 20);
inline constexpr std::uint64_t kHeaderSize = 0x24BC; // the header as Outlook Express writes it; data follows
inline constexpr std::uint64_t kMsgCountAt = 0xC4;
inline constexpr std::uint64_t kRootAt = 0xE4;

inline constexpr std::uint64_t kNodeFirstChildAt = 0x08;
inline constexpr std::uint64_t kNodeEntryCountAt = 0x11;
inline constexpr std::uint64_t kNodeEntriesAt = 0x18;
inline constexpr std::uint64_t kNodeEntrySize = 12;
inline constexpr std::uint64_t kEntryChildAt = 4;

inline constexpr std::uint64_t kInfoLengthAt = 0x04;
inline constexpr std::uint64_t kInfoPropCountAt = 0x0A;
inline constexpr std::uint64_t kInfoIndexAt = 0x0C;
inline constexpr std::size_t kIndexEntrySize = 4;

inline constexpr std::uint64_t kBlockCountAt = 0x08;
inline constexpr std::uint64_t kBlockNextAt = 0x0C;
inline constexpr std::uint64_t kBlockTextAt = 0x10;
inline constexpr std::size_t kBlockSize = 512;

// Property numbers of a message-info object.
inline constexpr int kPropDataOffset = 4;         // indirect, 4 bytes
inline constexpr int kPropDataOffsetDirect = 132; // direct, 3 bytes
inline constexpr int kPropSubjectKey = 5;
inline constexpr int kPropMessageId = 7;
inline constexpr int kPropSubject = 8;
inline constexpr int kPropParents = 10;
inline constexpr int kPropSender = 13;
inline constexpr int kPropReceived = 18;
inline constexpr int kFirstDirect = 128;
inline constexpr int kFirstUnrecorded = 80; // 80..127 are neither indirect nor direct
inline constexpr int kPropTableSize = 52;   // indirect numbers the tables can hold: 0..51
// Offsets and lengths inside an object are 16-bit signed numbers.
inline constexpr std::int64_t kMaxInfoValue = 32767;

} // namespace glanmail::layout
