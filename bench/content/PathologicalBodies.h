#pragma once
// The pathological bodies of the content benchmarks: one piece repeated to the size asked
// ("=C0=BD", "=", "&#", "<", "<p"), or mail links nested inside out, with the three types of
// message each is tried under.

#include <cstddef>
#include <string>

namespace glanmail::bench {

inline constexpr int kPathologicalKinds = 6;
inline constexpr const char* kPathologicalNames[] = {"=C0=BD", "=", "&#", "<", "<p", "nested <mailto"};
inline constexpr int kPathologicalTypes = 3;
inline constexpr const char* kPathologicalTypeNames[] = {"text/plain; charset=iso-8859-1", "text/plain; charset=utf-8",
                                                         "text/html; charset=utf-8"};

inline std::string PathologicalBody(int kind, std::size_t size) {
    std::string body;
    body.reserve(size + 16);
    if (kind == 5) { // mail links nested inside out
        const std::size_t depth = size / 14;
        for (std::size_t i = 0; i < depth; ++i) {
            body += "<mai";
        }
        body += "<mailto:a>";
        for (std::size_t i = 0; i < depth; ++i) {
            body += "lto:b>";
        }
        return body;
    }
    static const char* const pieces[] = {"=C0=BD", "=", "&#", "<", "<p"};
    while (body.size() < size) {
        body += pieces[kind];
    }
    return body;
}

} // namespace glanmail::bench
