#include "output/AttachmentBatch.h"

#include "content/AttachmentList.h"
#include "output/AttachmentFiles.h"
#include "output/SaveNaming.h"

namespace glanmail {

AttachmentBatch SaveAttachments(const OpenedStore& store, const std::vector<std::size_t>& ids,
                                const std::string& storeFolder, Prompter& prompter, FileSystem& files,
                                const std::function<bool()>& stop, const std::function<void(std::size_t)>& progress) {
    AttachmentBatch batch;
    AttachmentSaver saver(prompter, files);
    for (const std::size_t id : ids) {
        if (stop && stop()) {
            batch.interrupted = true;
            break;
        }
        if (progress) {
            progress(id);
        }
        if (id == 0 || id > store.MsgCount()) {
            continue;
        }
        const std::optional<RawExtraction> raw = ExtractMessage(store, id, prompter, AttachmentPolicy::Whole);
        if (!raw) {
            ++batch.unreadable;
            continue;
        }
        ++batch.messages;
        batch.incomplete += raw->incomplete ? 1 : 0;
        const OutputStatus status = saver.Save(ListAttachments(raw->text).Items, store.Entry(id), storeFolder);
        if (status == OutputStatus::Failed) {
            batch.abandoned = true;
            break;
        }
        batch.notWritten += status == OutputStatus::NotWritten ? 1 : 0;
    }
    batch.files = saver.FilesWritten();
    return batch;
}

std::string StoreFolderPath(const std::string& storageFolder, const std::string& storeName,
                            const std::string& chosenName) {
    return storageFolder + (chosenName.empty() ? StoreFolderPart(storeName) : "/" + chosenName);
}

} // namespace glanmail
