#include "reader/Store.h"

#include "common/Text.h"
#include "reader/FileHeader.h"
#include "reader/IndexWalk.h"
#include "reader/LittleEndian.h"
#include "reader/MessageTable.h"
#include "reader/ReadErrors.h"
#include "reader/StoreLayout.h"
#include "reader/StoreRecovery.h"

#include <sys/stat.h>

namespace glanmail {
namespace {

Box NotFoundBox(const std::string& path) {
    return {"Fichier " + path + " introuvable ou endommagé"};
}

void Refuse(OpenRefusal* refusal, OpenRefusal why) {
    if (refusal != nullptr) {
        *refusal = why;
    }
}

std::unique_ptr<OpenedStore> Open(std::unique_ptr<ByteSource> bytes, const std::string& path, const std::string& name,
                                  Prompter& prompter, bool recover, OpenRefusal* refusal,
                                  const BuildProgress* progress) {
    const std::string displayPath = path.empty() ? name : path;
    if (bytes->Size() == 0) {
        prompter.Show(NotFoundBox(displayPath));
        Refuse(refusal, OpenRefusal::File);
        return nullptr;
    }
    if (IsRefusedName(name)) {
        prompter.Show({"La lecture du fichier " + name + " n'est pas autorisée"});
        Refuse(refusal, OpenRefusal::File);
        return nullptr;
    }
    const auto header = ReadFileHeader(*bytes, displayPath, prompter);
    if (!header || header->Root == 0) {
        if (HasStoreIdentity(*bytes)) {
            Refuse(refusal, OpenRefusal::Index);
        } else {
            Refuse(refusal, bytes->Size() > layout::kHeaderSize ? OpenRefusal::Header : OpenRefusal::NotAStore);
        }
        return nullptr;
    }
    IndexWalk walk = ReadMsgIndex(*bytes, header->Root, header->DbxMsgCount);
    if (walk.infos.empty() && !walk.warnings.empty()) {
        // Nothing of the tree can be reached: the store is refused with what stopped the walk.
        for (const Box& box : walk.warnings) {
            prompter.Show(box);
        }
        Refuse(refusal, OpenRefusal::Index);
        return nullptr;
    }
    MsgTableBuild build = ReadMsgRows(*bytes, walk.infos, progress);
    auto store = std::make_unique<OpenedStore>();
    if (recover) {
        store->Recovered = AddLostMessages(*bytes, build);
        store->RecoverySearched = true;
    }
    FinishMsgTable(build, progress);
    // The listing is done: what it read ahead is not kept while the store stays open, and
    // the messages are read from the file as it is when they are asked for.
    bytes->ForgetReadAhead();
    store->DbxPath = path;
    store->Name = name;
    store->DbxMsgCount = header->DbxMsgCount;
    store->MsgTable = std::move(build.table);
    store->UnreadableEntries = build.unreadable;
    store->Warnings = std::move(walk.warnings);
    store->bytes = std::move(bytes);
    if (store->MsgCount() == 0) { // nothing listed, the scan's finds included
        prompter.Show({"Ce fichier ne contient aucun message complet", kAppTitle, BoxIcon::Information});
    }
    Refuse(refusal, OpenRefusal::None);
    return store;
}

} // namespace

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsRefusedName(const std::string& name) {
    for (const char* refused : {"pop3uidl.dbx", "offline.dbx", "folders.dbx"}) {
        if (text::EqualsIgnoreCase(name, refused)) {
            return true;
        }
    }
    return false;
}

std::string OpenedStore::Caption() const {
    std::string caption = std::to_string(IndexedCount()) + "/" + std::to_string(DbxMsgCount) +
                          " messages complets/contenus dans le fichier " + Name;
    if (UnreadableEntries == 1) {
        caption += " (1 entrée de l'index illisible)";
    } else if (UnreadableEntries > 1) {
        caption += " (" + std::to_string(UnreadableEntries) + " entrées de l'index illisibles)";
    }
    if (RecoverySearched) {
        const std::size_t n = RecoveredCount();
        caption += ", " + std::to_string(n) + (n < 2 ? " message retrouvé" : " messages retrouvés");
    }
    return caption;
}

std::unique_ptr<OpenedStore> OpenStore(const std::string& path, Prompter& prompter, bool recover, OpenRefusal* refusal,
                                       const BuildProgress* progress) {
    struct stat st {};
    Refuse(refusal, OpenRefusal::File);
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        prompter.Show(NotFoundBox(path));
        return nullptr;
    }
    const std::string name = FileNameOf(path);
    if (IsRefusedName(name)) {
        prompter.Show({"La lecture du fichier " + name + " n'est pas autorisée"});
        return nullptr;
    }
    auto source = FileSource::Open(path);
    if (!source) {
        prompter.Show({errors::kPermission, "ReadFileHeader"});
        return nullptr;
    }
    return Open(std::move(source), path, name, prompter, recover, refusal, progress);
}

std::unique_ptr<OpenedStore> OpenStoreBytes(std::unique_ptr<ByteSource> bytes, const std::string& name,
                                            Prompter& prompter, bool recover) {
    if (!bytes) {
        prompter.Show(NotFoundBox(name));
        return nullptr;
    }
    return Open(std::move(bytes), "", FileNameOf(name), prompter, recover, nullptr, nullptr);
}

std::unique_ptr<OpenedStore> OpenWholeFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        return nullptr;
    }
    auto bytes = FileSource::Open(path);
    if (!bytes) {
        return nullptr;
    }
    auto store = std::make_unique<OpenedStore>();
    store->DbxPath = path;
    store->Name = FileNameOf(path);
    const std::string count = bytes->Read(layout::kMsgCountAt, 4);
    store->DbxMsgCount = count.size() == 4 ? le::U32(count, 0) : 0;
    MsgTableBuild build;
    store->Recovered = AddLostMessages(*bytes, build);
    FinishMsgTable(build);
    store->MsgTable = std::move(build.table);
    store->RecoverySearched = true;
    store->bytes = std::move(bytes);
    return store;
}

std::optional<RawExtraction> ExtractMessage(const OpenedStore& store, std::size_t id, Prompter& prompter,
                                            AttachmentPolicy policy) {
    if (id < 1 || id > store.MsgCount() || store.bytes == nullptr) {
        return std::nullopt;
    }
    const MsgEntry& entry = store.Entry(id);
    if (entry.Recovered == 0) {
        return ExtractChain(*store.bytes, entry.DataOffset, prompter, policy);
    }
    if (entry.Recovered > store.Recovered.size()) {
        return std::nullopt;
    }
    return ExtractRecovered(*store.bytes, store.Recovered[entry.Recovered - 1], policy);
}

} // namespace glanmail
