// Inputs the fuzzers found troublesome, replayed as the fuzz targets run them: the first byte
// chooses the rule set, the rest is the text. Files are named <target>-<what they broke>.
#include "content/Decode.h"
#include "content/HtmlToText.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace glanmail {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ContentRegressions, FuzzerFindingsNoLongerFail) {
    const std::filesystem::path folder = std::filesystem::path(GLANMAIL_SOURCE_DIR) / "tests/content/regressions";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const std::string data = ReadAll(entry.path());
        const bool isUtf8 = !data.empty() && (static_cast<unsigned char>(data[0]) & 1) != 0;
        const std::string text = data.empty() ? data : data.substr(1);
        if (name.rfind("fuzz_decode_base64-", 0) == 0) {
            EXPECT_LE(DecodeBase64(data).size(), data.size() / 4 * 3) << name;
        } else if (name.rfind("fuzz_decode-", 0) == 0) {
            const std::string out = Decode(text, isUtf8);
            for (std::size_t i = 0; i < out.size(); ++i) {
                EXPECT_FALSE(out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) << name;
            }
        } else if (name.rfind("fuzz_html-", 0) == 0) {
            (void)HTMLProcessing(text, isUtf8);
        } else {
            continue;
        }
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

} // namespace
} // namespace glanmail
