// DecodeBase64 on arbitrary text: never more than three bytes per four characters.
#include "content/Decode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string out = glanmail::DecodeBase64(text);
    if (out.size() > size / 4 * 3) {
        std::abort();
    }
    return 0;
}
