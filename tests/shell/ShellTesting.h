#pragma once
// Helpers of the shell tests: a prompter that also records what the folder dialog was asked.

#include "support/FakePrompter.h"
#include "support/Env.h"
#include "support/Files.h"

#include <string>
#include <vector>

namespace glanmail::testing {

// Also records the folder dialog's instruction and start folder.
struct FolderPrompter : FakePrompter {
    struct Request {
        std::string prompt, start;
    };
    std::vector<Request> folderRequests;
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override {
        folderRequests.push_back({title, start});
        return FakePrompter::ChooseFolder(title, start);
    }
};

} // namespace glanmail::testing
