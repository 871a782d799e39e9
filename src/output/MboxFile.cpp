#include "output/MboxFile.h"

#include "output/Mbox.h"

namespace glanmail {

MboxFile::MboxFile(std::string path, FileSystem& files) : path_(std::move(path)) {
    // The temporary lies in the final folder, so giving it its name never copies it.
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    file_ = OutputFile::Create(files, folder, error_);
}

bool MboxFile::Add(std::string_view raw) {
    if (!file_ || error_ != 0) {
        return false;
    }
    error_ = file_->Write(MboxEntry(raw));
    if (error_ != 0) {
        return false;
    }
    ++count_;
    return true;
}

bool MboxFile::Finish() {
    if (file_ && error_ == 0) {
        error_ = file_->Commit(path_);
    }
    if (file_) {
        file_->Discard(); // nothing once named
    }
    return file_ && error_ == 0;
}

} // namespace glanmail
