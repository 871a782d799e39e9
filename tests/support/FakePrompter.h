#pragma once
// A prompter for tests: records every box and answers as scripted.

#include "common/Prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace glanmail::testing {

class FakePrompter : public Prompter {
public:
    std::vector<Box> shown;        // every box shown or asked, in order
    std::deque<bool> yesNoAnswers; // answers to AskYesNo; the box's default when empty
    std::deque<std::optional<std::string>> fileAnswers, folderAnswers; // nothing chosen when empty

    void Show(const Box& box) override { shown.push_back(box); }
    bool AskYesNo(const Box& box, bool yesIsDefault) override {
        shown.push_back(box);
        return Next(yesNoAnswers, yesIsDefault);
    }
    std::optional<std::string> ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return Next(fileAnswers, std::optional<std::string>());
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        return Next(folderAnswers, std::optional<std::string>());
    }

    std::vector<std::string> Texts() const { // texts of the boxes shown so far
        std::vector<std::string> out;
        for (const Box& b : shown) {
            out.push_back(b.text);
        }
        return out;
    }

private:
    template <typename T> static T Next(std::deque<T>& answers, T fallback) {
        if (!answers.empty()) {
            fallback = answers.front();
            answers.pop_front();
        }
        return fallback;
    }
};

} // namespace glanmail::testing
