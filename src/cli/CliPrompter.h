#pragma once
// Boxes on the command line: each box's text (with its title where it is not the
// program's own) goes to standard error. Questions take their default answer; nothing
// is chosen from a dialog.

#include "common/Prompter.h"

#include <ostream>

namespace glanmail::cli {

class CliPrompter : public Prompter {
public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

    void Show(const Box& box) override;
    bool AskYesNo(const Box& box, bool yesIsDefault) override;
    std::optional<std::string> ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override { return std::nullopt; }

    int BoxCount() const { return boxes_; }

private:
    std::ostream& err_;
    int boxes_ = 0;
};

// "title: text" (or the text alone for the program's own title); line breaks as "\n".
std::string FormatBox(const Box& box);

} // namespace glanmail::cli
