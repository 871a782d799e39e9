// Any byte string as the raw text of a message: split, date line, MIME choice, HTML to text,
// decoding and clean-up. Nothing may crash, hang or grow faster than the text; boxes are
// dropped. A message reads the same whatever was read before it.

#include "common/Prompter.h"
#include "content/ContentState.h"
#include "content/MsgProcessing.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    glanmail::SilentPrompter prompter;
    glanmail::ContentState state;
    const glanmail::ListedMessage listed{"Objet", "Exp", "31/12/2007 23:59:00"};
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const glanmail::CurrentMessage msg = glanmail::MsgProcessing(raw, listed, state, prompter);
    state.IsUtf8 = !state.IsUtf8;
    if (glanmail::MsgProcessing(raw, listed, state, prompter).MsgText != msg.MsgText) {
        __builtin_trap();
    }
    return 0;
}
