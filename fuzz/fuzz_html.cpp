// HTMLProcessing on arbitrary text; the first byte chooses the decoder's rule set for text
// without tags.
#include "content/HtmlToText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool isUtf8 = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    (void)glanmail::HTMLProcessing(text, isUtf8);
    return 0;
}
