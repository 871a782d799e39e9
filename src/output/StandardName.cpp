#include "output/StandardName.h"

#include "common/Text.h"

namespace glanmail {

std::string StandardName(std::string_view subject) {
    // The order matters: " : " must go before " :" and ":", so "a : b" gives "a_b".
    static constexpr std::string_view kReplaced[] = {" : ", " ? ", " :", " ?", ":", "?", "*",
                                                     "/",   "\\",  ">",  "<",  "|", "'", "\""};
    std::string name(subject);
    for (const std::string_view from : kReplaced) {
        if (name.find(from) != std::string::npos) {
            name = text::ReplaceAll(name, from, "_");
        }
    }
    std::size_t end = name.size();
    while (end > 0 && name[end - 1] == '_') {
        --end;
    }
    if (end == 0) {
        return name; // made only of replaced characters: keeps its underscores
    }
    name.resize(end);
    return name;
}

} // namespace glanmail
