#include "MboxSave.h"

#include "Interrupt.h"
#include "common/WriteErrors.h"
#include "output/Mbox.h"
#include "output/MboxFile.h"

#include <filesystem>

namespace glanmail::cli {
namespace {

// The first of folder.mbox, folder-1.mbox, ... that does not hold anything yet.
std::string FreeMboxPath(const std::string& storage, const std::string& folder) {
    for (std::size_t n = 0;; ++n) {
        const std::string path = storage + "/" + folder + (n == 0 ? "" : "-" + std::to_string(n)) + ".mbox";
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(path, ec);
        if (!std::filesystem::exists(status)) {
            return path;
        }
        if (std::filesystem::is_regular_file(status) && std::filesystem::file_size(path, ec) == 0 && !ec) {
            return path;
        }
    }
}

} // namespace

MboxSaved SaveMbox(const OpenedStore& store, const std::vector<std::size_t>& ids, const std::string& storage,
                   const std::string& folder, FileSystem& files, CliPrompter& cli, std::ostream& err) {
    MboxSaved saved;
    const std::string path = FreeMboxPath(storage, folder);
    MboxFile file(path, files);
    for (const std::size_t id : ids) {
        if (file.error() != 0) {
            break;
        }
        if (InterruptCatcher::Requested()) {
            saved.interrupted = true;
            return saved; // the file is left unnamed and removed
        }
        cli.SetMessage(id);
        const auto raw = ExtractMessage(store, id, cli, AttachmentPolicy::Whole);
        if (!raw) {
            ++saved.skipped;
            continue;
        }
        if (raw->incomplete) {
            ++saved.incomplete;
            err << cli.Line(IncompleteMessageText(id)) << "\n";
        }
        file.Add(raw->text);
    }
    cli.SetMessage(0);
    if (!file.Finish()) {
        err << "glanmail-cli: " << CannotWrite(path, file.error()) << "\n";
        saved.skipped += ids.size() - saved.skipped;
        return saved;
    }
    saved.messages = file.messages();
    saved.written = true;
    return saved;
}

} // namespace glanmail::cli
