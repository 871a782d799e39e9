// Decode on arbitrary text; the first byte chooses the rule set. Checks that every LF of the
// result follows a CR, which the last rule guarantees.
#include "content/Decode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool isUtf8 = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string out = glanmail::Decode(text, isUtf8);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) {
            std::abort();
        }
    }
    return 0;
}
