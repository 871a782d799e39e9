#pragma once
// The attachments of the selected messages of a store saved as files: what both
// "glanmail-cli save --attachments" and the window's "Enregistrer les pièces jointes" run, so
// that the same selection gives the same files.

#include "common/FileSystem.h"
#include "common/Prompter.h"
#include "reader/Store.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace glanmail {

struct AttachmentBatch {
    std::size_t messages = 0;   // messages read whole
    std::size_t files = 0;      // attachments written
    std::size_t unreadable = 0; // messages whose raw text could not be read
    std::size_t incomplete = 0; // messages whose chain broke off (their attachments as far as read)
    std::size_t notWritten = 0; // messages with an attachment that could not be written
    bool abandoned = false;     // a failure that would repeat stopped the batch
    bool interrupted = false;   // stop() said so before a message
};

// Reads each message of ids (1-based list IDs) whole and writes its attachments into
// storeFolder/<message name>/ (storeFolder: the store's folder under the storage folder, made
// when missing). stop, when given, is asked before each message; progress is told each ID.
AttachmentBatch SaveAttachments(const OpenedStore& store, const std::vector<std::size_t>& ids,
                                const std::string& storeFolder, Prompter& prompter, FileSystem& files,
                                const std::function<bool()>& stop = {},
                                const std::function<void(std::size_t)>& progress = {});

// The store's folder under the storage folder: the store's file name without its extension,
// or the name a command chose for it.
std::string StoreFolderPath(const std::string& storageFolder, const std::string& storeName,
                            const std::string& chosenName = {});

} // namespace glanmail
