#pragma once
// A long command can raise the same box for thousands of messages ("Chemin trop long" for
// each message of a store). This prompter shows a box the first time only and counts the
// repeats; ShowCounts then tells, once per cause, how often it came.

#include "common/Prompter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace glanmail {

class RepeatedBoxes : public Prompter {
public:
    explicit RepeatedBoxes(Prompter& inner) : inner_(inner) {}

    void Show(const Box& box) override;
    bool AskYesNo(const Box& box, bool yesIsDefault) override { return inner_.AskYesNo(box, yesIsDefault); }
    std::optional<std::string> ChooseFile(const std::string& title, const std::string& startPath,
                                          const std::string& filter) override {
        return inner_.ChooseFile(title, startPath, filter);
    }
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override {
        return inner_.ChooseFolder(title, startFolder);
    }

    // For each box that came more than once since the last call: the box again, its text
    // followed by "(N fois en tout)". Then starts counting afresh.
    void ShowCounts();

private:
    struct Seen {
        Box box;
        std::size_t count;
    };
    Prompter& inner_;
    std::vector<Seen> seen_; // a handful of causes at most: a list is enough
};

} // namespace glanmail
