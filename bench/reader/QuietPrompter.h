#pragma once
// A prompter that answers nothing and counts the boxes, for timing runs.

#include "common/Prompter.h"

#include <optional>
#include <string>

namespace glanmail::bench {

class QuietPrompter : public Prompter {
public:
    int boxes = 0;
    void Show(const Box&) override { ++boxes; }
    bool AskYesNo(const Box&, bool yesIsDefault) override {
        ++boxes;
        return yesIsDefault;
    }
    std::optional<std::string> ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override { return std::nullopt; }
};

} // namespace glanmail::bench
