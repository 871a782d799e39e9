// Any byte string as a whole store for the recovery scan, then every recovered message read
// back and written as mbox. Nothing may crash, hang or read out of bounds. The first listed
// offset of the input, when there is one, stands for an indexed message, so the exclusion of
// indexed messages is exercised too.

#include "output/Mbox.h"
#include "reader/RecoveryScan.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const glanmail::MemorySource source(std::string(reinterpret_cast<const char*>(data), size));
    glanmail::IndexedMessages indexed;
    if (size >= 4) {
        indexed.DataOffsets.push_back(static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16) |
                                      static_cast<std::uint32_t>(data[3]) << 24);
    }
    for (const glanmail::RecoveredMessage& m : glanmail::ScanForLostMessages(source, indexed)) {
        const std::string raw = glanmail::RecoveredBytes(source, m);
        (void)glanmail::MboxEntry(raw);
        (void)glanmail::ToMsgEntry(m);
    }
    return 0;
}
