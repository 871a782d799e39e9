#pragma once
// A prompter for tests: records every box and answers as scripted.

#include <deque>
#include <string>
#include <vector>

#include "common/Prompter.h"

namespace glanmail::testing {

class FakePrompter : public Prompter {
public:
    std::vector<Box> shown;               // every box shown or asked, in order
    std::deque<bool> yesNoAnswers;        // answers to AskYesNo; the box's default when empty
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<std::optional<std::string>> folderAnswers;

    void Show(const Box& box) override { shown.push_back(box); }
    bool AskYesNo(const Box& box, bool yesIsDefault) override {
        shown.push_back(box);
        if (yesNoAnswers.empty()) {
            return yesIsDefault;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return Next(fileAnswers);
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        return Next(folderAnswers);
    }

    // Texts of the boxes shown so far.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const Box& b : shown) {
            out.push_back(b.text);
        }
        return out;
    }

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) {
            return std::nullopt;
        }
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace glanmail::testing
