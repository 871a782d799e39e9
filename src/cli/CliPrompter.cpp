#include "CliPrompter.h"

#include "common/Text.h"

namespace glanmail::cli {

std::string FormatBox(const Box& box) {
    std::string text = text::ReplaceAll(box.text, "\r\n", "\n");
    text = std::string(text::TrimSpaces(text));
    if (box.title.empty() || box.title == kAppTitle) {
        return text;
    }
    return box.title + ": " + text;
}

void CliPrompter::Show(const Box& box) {
    ++boxes_;
    err_ << FormatBox(box) << '\n';
}

bool CliPrompter::AskYesNo(const Box& box, bool yesIsDefault) {
    ++boxes_;
    err_ << FormatBox(box) << (yesIsDefault ? " (oui)" : " (non)") << '\n';
    return yesIsDefault;
}

} // namespace glanmail::cli
