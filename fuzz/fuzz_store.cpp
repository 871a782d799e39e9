// Any byte string as a store: open it (header, index walk, table, conversation keys, sort),
// then extract every listed message, cut at its first attachment and whole. Nothing may crash,
// hang or read out of bounds; refusals and damaged messages are reported through the prompter.

#include "common/Prompter.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    glanmail::SilentPrompter prompter;
    auto source = std::make_unique<glanmail::MemorySource>(std::string(reinterpret_cast<const char*>(data), size));
    const auto store = glanmail::OpenStoreBytes(std::move(source), "fuzz.dbx", prompter);
    if (!store) {
        return 0;
    }
    (void)store->Caption();
    for (const glanmail::MsgEntry& entry : store->MsgTable) {
        for (const auto policy :
             {glanmail::AttachmentPolicy::CutAtFirstAttachment, glanmail::AttachmentPolicy::Whole}) {
            const auto raw = glanmail::ExtractChain(*store->bytes, entry.DataOffset, prompter, policy);
            (void)raw;
        }
    }
    return 0;
}
