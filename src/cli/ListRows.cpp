#include "ListRows.h"

#include "StoreWarnings.h"
#include "common/Encoding.h"

#include <numeric>

namespace glanmail::cli {
namespace {

// A field of a tab-separated row, appended in UTF-8. Every control character becomes one
// space: a tab or a line break would split the row, and ESC, BEL and the like would be obeyed
// by the terminal showing the list. That covers the five bytes Windows-1252 leaves undefined,
// which come out as C1 controls (0x90 and 0x9D open terminal commands).
void AppendField(std::string& line, std::string_view cp1252) {
    for (const char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            line += ' ';
        } else if (b < 0x80) {
            line += c;
        } else {
            encoding::AppendUtf8(line, encoding::CodePointOf(b));
        }
    }
}

} // namespace

std::string Plain(std::string utf8) {
    for (char& c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            c = ' ';
        }
    }
    return utf8;
}

std::vector<std::size_t> AllIds(const OpenedStore& store) {
    std::vector<std::size_t> ids(store.MsgCount());
    std::iota(ids.begin(), ids.end(), std::size_t{1});
    return ids;
}

void PrintRows(const OpenedStore& store, const std::vector<std::size_t>& ids, bool recover, std::ostream& out) {
    out << "ID\tObjet\tÉmetteur\tDate\tDates pour tri\tConversation" << (recover ? "\tÉtat\n" : "\n");
    // One line buffer for every row: the list of a large store is written without an
    // allocation a field.
    std::string line;
    for (const std::size_t id : ids) {
        const MsgEntry& e = store.Entry(id);
        line = std::to_string(id);
        for (const std::string* field : {&e.Subject, &e.Sender, &e.DateText, &e.DateKey, &e.ThreadKey}) {
            line += '\t';
            AppendField(line, *field);
        }
        if (recover) {
            line += '\t';
            line += encoding::ToUtf8(StatusText(e.Status));
        }
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

nlohmann::ordered_json JsonRow(const OpenedStore& store, std::size_t id, bool recover) {
    const MsgEntry& e = store.Entry(id);
    nlohmann::ordered_json row{{"id", id},
                               {"subject", encoding::ToUtf8(e.Subject)},
                               {"sender", encoding::ToUtf8(e.Sender)},
                               {"date", encoding::ToUtf8(e.DateText)},
                               {"dateKey", encoding::ToUtf8(e.DateKey)},
                               {"threadKey", encoding::ToUtf8(e.ThreadKey)}};
    if (recover) {
        row["status"] = encoding::ToUtf8(StatusText(e.Status));
    }
    return row;
}

} // namespace glanmail::cli
