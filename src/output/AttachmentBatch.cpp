#include "output/AttachmentBatch.h"

#include "content/AttachmentList.h"
#include "output/AttachmentFiles.h"
#include "output/ReadAhead.h"
#include "output/SaveNaming.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace glanmail {

AttachmentBatch SaveAttachments(const OpenedStore& store, const std::vector<std::size_t>& ids,
                                const std::string& storeFolder, Prompter& prompter, FileSystem& files,
                                const std::function<bool()>& stop, const std::function<void(std::size_t)>& progress) {
    const auto readable = [&store](std::size_t id) { return id >= 1 && id <= store.MsgCount(); };
    // Each message is read whole on a thread of its own while the one before is listed and
    // written here; the boxes raised while reading wait for their message's turn.
    const auto read = [&store](std::size_t id) { return ReadPrepared(store, id, AttachmentPolicy::Whole); };
    std::vector<std::size_t> order;
    std::copy_if(ids.begin(), ids.end(), std::back_inserter(order), readable);
    const std::unique_ptr<ReadAhead> ahead = ReadAhead::Start(std::move(order), read);

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
        if (!readable(id)) {
            continue;
        }
        std::optional<PreparedMessage> taken = ahead ? ahead->Take(id) : std::nullopt;
        const PreparedMessage message = taken ? std::move(*taken) : read(id);
        for (const Box& box : message.readBoxes) {
            prompter.Show(box);
        }
        if (!message.raw) {
            ++batch.unreadable;
            continue;
        }
        ++batch.messages;
        batch.incomplete += message.raw->incomplete ? 1 : 0;
        const OutputStatus status = saver.Save(ListAttachments(message.raw->text).Items, store.Entry(id), storeFolder);
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
