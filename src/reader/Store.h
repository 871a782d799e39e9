#pragma once
// An open store: its bytes, kept open read-only until the store is closed, and its
// message table in list order. Opening checks the header, walks the index tree,
// builds the table, resolves the conversation keys and sorts it.

#include "common/Prompter.h"
#include "reader/BuildProgress.h"
#include "reader/ByteSource.h"
#include "reader/MsgEntry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace glanmail {

struct OpenedStore {
    std::string DbxPath;               // full path as given ("" for bytes opened in memory)
    std::string Name;                  // file name after the last "/"
    std::unique_ptr<ByteSource> bytes; // the store, open read-only
    std::uint32_t DbxMsgCount = 0;     // count at 0xC4
    std::vector<MsgEntry> MsgTable;    // list order; message ID n is MsgTable[n - 1]
    // Damage of the index tree passed over while opening, each as the box that tells it, in
    // the order met. The front ends show them; opening does not.
    std::vector<Box> Warnings;
    std::size_t UnreadableEntries = 0; // index entries whose message-info object could not be read

    std::size_t MsgCount() const { return MsgTable.size(); }
    const MsgEntry& Entry(std::size_t id) const { return MsgTable.at(id - 1); }
    // "125/130 messages complets/contenus dans le fichier Inbox.dbx", followed by
    // " (2 entrées de l'index illisibles)" when entries could not be read.
    std::string Caption() const;
    // Something of the store may be missing from the list.
    bool Damaged() const { return !Warnings.empty() || UnreadableEntries > 0; }
};

// Opens the store at path. Every refusal (one of the three stores without messages,
// a missing or empty file, a bad header, no messages, an index tree of which nothing can
// be reached) is reported through the prompter with the program's own text and gives
// nullptr. A damaged tree opens with what it still reaches (see Warnings). A store
// without any complete message is reported too, but opens with an empty table.
// Subjects are decoded as text without UTF-8, whatever message was read before.
// progress, when given, hears how list building goes (on the calling thread).
std::unique_ptr<OpenedStore> OpenStore(const std::string& path, Prompter& prompter,
                                       const BuildProgress* progress = nullptr);

// Same, over bytes already in hand; name is used for the refusals and the caption.
std::unique_ptr<OpenedStore> OpenStoreBytes(std::unique_ptr<ByteSource> bytes, const std::string& name,
                                            Prompter& prompter);

} // namespace glanmail
