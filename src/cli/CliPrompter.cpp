#include "CliPrompter.h"

#include "common/Text.h"

namespace glanmail::cli {

std::string OneLine(const std::string& text) {
    std::string line = text::ReplaceAll(text, "\r\n", " / ");
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return std::string(text::TrimSpaces(line));
}

std::string CliPrompter::Line(const std::string& text) const {
    std::string line = "glanmail-cli: ";
    if (!file_.empty()) {
        line += file_ + ": ";
    }
    if (id_ != 0) {
        line += "Identifiant " + std::to_string(id_) + " : ";
    }
    return line + text;
}

void CliPrompter::Show(const Box& box) {
    ++boxes_;
    err_ << Line(OneLine(box.text)) << '\n';
}

bool CliPrompter::AskYesNo(const Box& box, bool yesIsDefault) {
    ++boxes_;
    err_ << Line(OneLine(box.text)) << (yesIsDefault ? " (oui)" : " (non)") << '\n';
    return yesIsDefault;
}

} // namespace glanmail::cli
