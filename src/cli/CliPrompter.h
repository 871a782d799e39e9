#pragma once
// Boxes on the command line: each box is one line on standard error,
// "glanmail-cli: FILE: text", FILE being the store the command is working on. The box's
// title is left out: it names a routine of the program, which tells the user nothing.
// Questions take their default answer; nothing is chosen from a dialog.

#include "common/Prompter.h"

#include <cstddef>
#include <ostream>
#include <string>

namespace glanmail::cli {

class CliPrompter : public Prompter {
public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

    // The store the following boxes are about ("" for none).
    void SetFile(std::string file) { file_ = std::move(file); }
    // The message they are about (its ID), or 0.
    void SetMessage(std::size_t id) { id_ = id; }

    void Show(const Box& box) override;
    bool AskYesNo(const Box& box, bool yesIsDefault) override;
    std::optional<std::string> ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override { return std::nullopt; }

    int BoxCount() const { return boxes_; }

    // "glanmail-cli: FILE: text" (or "glanmail-cli: text" without a file).
    std::string Line(const std::string& text) const;

private:
    std::ostream& err_;
    std::string file_;
    std::size_t id_ = 0;
    int boxes_ = 0;
};

// The box's text on one line: its lines joined by " / ", spaces around it trimmed.
std::string OneLine(const std::string& text);

} // namespace glanmail::cli
