// The search's folding on arbitrary bytes, as a message's text or typed words: the folded form
// has no blank at either end nor two in a row, at most two bytes for one, and a text always
// holds itself (the first byte cuts the input into words and text).
#include "content/SearchText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = all.empty() ? 0 : data[0] % (all.size() + 1);
    const std::string_view words = all.substr(0, cut), text = all.substr(cut);
    const std::string folded = glanmail::SearchFold(text);
    if (folded.size() > 2 * text.size() || (!folded.empty() && (folded.front() == ' ' || folded.back() == ' ')) ||
        folded.find("  ") != std::string::npos) {
        std::abort();
    }
    const glanmail::SearchPhrase phrase(words);
    if (!phrase.Empty() && !phrase.FoundIn(words)) {
        std::abort();
    }
    const glanmail::SearchPhrase whole(text);
    if (!whole.Empty() && !whole.FoundIn(std::string(text) + " et la suite")) {
        std::abort();
    }
    return 0;
}
