#include "StoreOpening.h"

#include <filesystem>

namespace glanmail::cli {
namespace {

const char* const kNoIndexText = "Le fichier n'a pas d'index de messages";

// The four bytes at offset, little-endian; 0 when the file is shorter.
std::uint32_t ReadU32(const ByteSource& bytes, std::uint64_t offset) {
    const std::string b = bytes.Read(offset, 4);
    if (b.size() < 4) {
        return 0;
    }
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
    }
    return v;
}

// A file whose index gives nothing, opened with an empty list so the recovery scan can
// search its bytes; nullptr when it is not a non-empty regular file that can be read.
std::unique_ptr<OpenedStore> OpenWithoutIndex(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) == 0 || ec) {
        return nullptr;
    }
    auto bytes = FileSource::Open(path);
    if (!bytes) {
        return nullptr;
    }
    auto store = std::make_unique<OpenedStore>();
    store->DbxPath = path;
    store->Name = path.substr(path.rfind('/') + 1);
    store->DbxMsgCount = ReadU32(*bytes, 0xC4);
    store->bytes = std::move(bytes);
    store->Warnings.push_back(
        Box{"L'index de ce fichier est vide ou endommagé : les messages sont recherchés dans tout le fichier"});
    return store;
}

} // namespace

bool OpenInSession(Session& session, const std::string& path, Prompter& prompter) {
    const OpenResult opened = session.Open(path, DamageBoxes::Kept);
    if (!opened.Listed() && opened.boxes.empty()) {
        prompter.Show(Box{kNoIndexText});
    }
    return opened.Listed();
}

std::unique_ptr<OpenedStore> OpenForCommand(const std::string& path, CliPrompter& cli, Prompter& prompter,
                                            bool recover) {
    const int boxesBefore = cli.BoxCount();
    auto store = OpenStore(path, prompter);
    if (!store && cli.BoxCount() == boxesBefore) {
        prompter.Show(Box{kNoIndexText});
    }
    if (!store && recover) {
        store = OpenWithoutIndex(path);
    }
    return store;
}

} // namespace glanmail::cli
