// glanmail-cli list STORE [--json]: the message list of a store, in list order, and the
// caption above it.
#include "CliPrompter.h"
#include "Commands.h"
#include "common/Encoding.h"
#include "reader/Store.h"

#include <cstdio>

namespace glanmail::cli {
namespace {

// A field of a tab-separated row, in UTF-8. Every control character becomes one space: a
// tab or a line break would split the row, and ESC, BEL and the like would be obeyed by
// the terminal showing the list. That covers the five bytes Windows-1252 leaves undefined,
// which come out as C1 controls (0x90 and 0x9D open terminal commands).
std::string Field(std::string cp1252) {
    for (char& c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            c = ' ';
        }
    }
    return encoding::ToUtf8(cp1252);
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 0x20 || b == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04X", b);
                out += buf;
            } else {
                out.push_back(c);
            }
        }
    }
    return out + "\"";
}

void PrintRows(const OpenedStore& store, std::ostream& out) {
    out << "ID\tObjet\tÉmetteur\tDate\tDates pour tri\tConversation\n";
    for (std::size_t id = 1; id <= store.MsgCount(); ++id) {
        const MsgEntry& e = store.Entry(id);
        out << id << '\t' << Field(e.Subject) << '\t' << Field(e.Sender) << '\t' << Field(e.DateText) << '\t'
            << Field(e.DateKey) << '\t' << Field(e.ThreadKey) << '\n';
    }
    out << store.Caption() << '\n';
}

void PrintJson(const OpenedStore& store, std::ostream& out) {
    out << "{\n  \"store\": " << JsonString(store.Name) << ",\n  \"caption\": " << JsonString(store.Caption())
        << ",\n  \"complete\": " << store.MsgCount() << ",\n  \"count\": " << store.DbxMsgCount
        << ",\n  \"messages\": [";
    for (std::size_t id = 1; id <= store.MsgCount(); ++id) {
        const MsgEntry& e = store.Entry(id);
        out << (id == 1 ? "\n" : ",\n") << "    {\"id\": " << id
            << ", \"subject\": " << JsonString(encoding::ToUtf8(e.Subject))
            << ", \"sender\": " << JsonString(encoding::ToUtf8(e.Sender))
            << ", \"date\": " << JsonString(encoding::ToUtf8(e.DateText))
            << ", \"dateKey\": " << JsonString(encoding::ToUtf8(e.DateKey))
            << ", \"threadKey\": " << JsonString(encoding::ToUtf8(e.ThreadKey)) << "}";
    }
    out << (store.MsgCount() > 0 ? "\n  ]\n}\n" : "]\n}\n");
}

} // namespace

int RunList(const Args& args, std::ostream& out, std::ostream& err) {
    std::string path;
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json") {
            json = true;
        } else if (path.empty() && (a.empty() || a[0] != '-')) {
            path = a;
        } else {
            err << "Utilisation : glanmail-cli list STORE [--json]\n";
            return kExitUsage;
        }
    }
    if (path.empty()) {
        err << "Utilisation : glanmail-cli list STORE [--json]\n";
        return kExitUsage;
    }
    CliPrompter prompter(err);
    prompter.SetFile(path);
    const ContentState state;
    const auto store = OpenStore(path, prompter, state);
    if (!store) {
        if (prompter.BoxCount() == 0) {
            err << "Le fichier " << path << " n'a pas d'index de messages\n";
        }
        return kExitBadStore;
    }
    if (json) {
        PrintJson(*store, out);
    } else {
        PrintRows(*store, out);
    }
    return kExitOk;
}

} // namespace glanmail::cli
