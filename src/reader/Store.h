#pragma once
// An open store: its bytes, kept open read-only until the store is closed, and its
// message table in list order. Opening checks the header, walks the index tree,
// builds the table, resolves the conversation keys and sorts it. Opened with recovery, the
// table also holds the messages the index no longer reaches (see RecoveryScan.h).

#include "common/Prompter.h"
#include "reader/BuildProgress.h"
#include "reader/ByteSource.h"
#include "reader/MsgEntry.h"
#include "reader/RawMessage.h"
#include "reader/RecoveryScan.h"

#include <cstdint>
#include <memory>
#include <optional>
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
    // Opened with recovery: the messages the scan found, each with its row in MsgTable
    // (MsgEntry::Recovered points back here).
    bool RecoverySearched = false;
    std::vector<RecoveredMessage> Recovered;

    std::size_t MsgCount() const { return MsgTable.size(); }
    std::size_t IndexedCount() const { return MsgTable.size() - Recovered.size(); }
    std::size_t RecoveredCount() const { return Recovered.size(); }
    const MsgEntry& Entry(std::size_t id) const { return MsgTable.at(id - 1); }
    // "125/130 messages complets/contenus dans le fichier Inbox.dbx", followed by
    // " (2 entrées de l'index illisibles)" when entries could not be read, and by
    // ", 3 messages retrouvés" when the store was opened with recovery (UTF-8).
    std::string Caption() const;
    // Something of the store may be missing from the list.
    bool Damaged() const { return !Warnings.empty() || UnreadableEntries > 0; }
};

// The file name of a path: what follows its last "/".
std::string FileNameOf(const std::string& path);

// One of the three stores of Outlook Express that hold no messages (folders.dbx, pop3uidl.dbx,
// offline.dbx, in any case): never opened.
bool IsRefusedName(const std::string& name);

// Why opening gave no store.
enum class OpenRefusal {
    None,
    File,      // missing, empty, unreadable, or one of the three stores without messages
    Header,    // not an Outlook Express store by its header, yet longer than a store's header: it may
               // be a store whose header is damaged, and its bytes may still hold messages
    NotAStore, // not a store by its header, and too short to hold anything past one
    Index      // a store whose index gives nothing: a count of 0 (or past what a store holds), no
               // root, or a tree of which nothing can be reached; its bytes may still hold messages
};

// Opens the store at path. Every refusal (one of the three stores without messages,
// a missing or empty file, a bad header, no messages, an index tree of which nothing can
// be reached) is reported through the prompter with the program's own text and gives
// nullptr, with its kind in refusal when one is given. A damaged tree opens with what it
// still reaches (see Warnings). With recover, the whole file is searched for the messages the
// index no longer reaches as well, and they join the table. A store that lists no message
// at all is reported too, but opens with an empty table. Subjects are decoded as text
// without UTF-8, whatever message was read before. progress, when given, hears how list
// building goes (on the calling thread).
std::unique_ptr<OpenedStore> OpenStore(const std::string& path, Prompter& prompter, bool recover = false,
                                       OpenRefusal* refusal = nullptr, const BuildProgress* progress = nullptr);

// Same, over bytes already in hand; name is used for the refusals and the caption.
std::unique_ptr<OpenedStore> OpenStoreBytes(std::unique_ptr<ByteSource> bytes, const std::string& name,
                                            Prompter& prompter, bool recover = false);

// A file whose index gives nothing, searched whole: every message the recovery scan finds
// in it, with an empty index part and the count at 0xC4 as it stands. nullptr when path is
// not a non-empty regular file that can be read. Says nothing itself.
std::unique_ptr<OpenedStore> OpenWholeFile(const std::string& path);

// The raw text of message id (1 to MsgCount()): an indexed message read by its chain of
// blocks, a recovered one from the blocks the scan kept. Nothing when an indexed message's
// first block cannot be read (said through the prompter).
std::optional<RawExtraction> ExtractMessage(const OpenedStore& store, std::size_t id, Prompter& prompter,
                                            AttachmentPolicy policy = AttachmentPolicy::CutAtFirstAttachment);

} // namespace glanmail
