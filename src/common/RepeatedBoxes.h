#pragma once
// A long command can raise the same box for thousands of messages ("Chemin trop long" for
// each message of a store). This prompter shows a box the first time only and counts the
// repeats; ShowCounts then tells, once per cause, how often it came.

#include "common/Prompter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace glanmail {

class RepeatedBoxes : public ForwardingPrompter {
public:
    explicit RepeatedBoxes(Prompter& inner) : ForwardingPrompter(inner) {}

    void Show(const Box& box) override;

    // For each box that came more than once since the last call: the box again, its text
    // followed by "(N fois en tout)". Then starts counting afresh.
    void ShowCounts();

private:
    struct Seen {
        Box box;
        std::size_t count;
    };
    std::vector<Seen> seen_; // a handful of causes at most: a list is enough
};

} // namespace glanmail
