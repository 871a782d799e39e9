#pragma once
// The one way the core talks to the user. The window answers with Qt dialogs, the
// command line prints to standard error, tests use a scripted fake (tests/support).
// All texts given to a prompter are UTF-8.

#include <optional>
#include <string>
#include <vector>

namespace glanmail {

// Title of every box that gives none of its own.
inline constexpr const char* kAppTitle = "Glanmail";

enum class BoxIcon { None, Information, Critical, Question, Exclamation };

// What a box is about, for the callers that treat some boxes apart (never by their words).
enum class BoxKind {
    Plain,
    IncompleteMessage // a message whose chain of blocks broke off: what could be read is given
};

struct Box {
    std::string text;
    std::string title = kAppTitle;
    BoxIcon icon = BoxIcon::None;
    BoxKind kind = BoxKind::Plain;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box with the OK button only.
    virtual void Show(const Box& box) = 0;
    // A question with Yes and No; returns true for Yes.
    virtual bool AskYesNo(const Box& box, bool yesIsDefault) = 0;
    // An existing file chosen by the user, or nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(const std::string& title, const std::string& startPath,
                                                  const std::string& filter) = 0;
    // A folder chosen by the user, or nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) = 0;
};

// A prompter that passes everything on to another: the base of the prompters that change
// one thing (keep a copy of the boxes, clear a progress bar first, hold some back).
class ForwardingPrompter : public Prompter {
public:
    explicit ForwardingPrompter(Prompter& inner) : inner_(inner) {}
    void Show(const Box& box) override { inner_.Show(box); }
    bool AskYesNo(const Box& box, bool yesIsDefault) override { return inner_.AskYesNo(box, yesIsDefault); }
    std::optional<std::string> ChooseFile(const std::string& title, const std::string& startPath,
                                          const std::string& filter) override {
        return inner_.ChooseFile(title, startPath, filter);
    }
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override {
        return inner_.ChooseFolder(title, startFolder);
    }

protected:
    Prompter& inner_;
};

// A prompter without dialogs: nothing is ever chosen (batch runs, benchmarks, fuzzing, boxes
// held back).
class NoDialogPrompter : public Prompter {
public:
    std::optional<std::string> ChooseFile(const std::string& /*title*/, const std::string& /*startPath*/,
                                          const std::string& /*filter*/) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string& /*title*/, const std::string& /*startFolder*/) override {
        return std::nullopt;
    }
};

// A prompter that shows nothing and counts the boxes: questions take their default answer.
class SilentPrompter : public NoDialogPrompter {
public:
    int boxes = 0;
    void Show(const Box& /*box*/) override { ++boxes; }
    bool AskYesNo(const Box& /*box*/, bool yesIsDefault) override {
        ++boxes;
        return yesIsDefault;
    }
};

// Keeps every box back, to be shown later (in order) or not at all: questions take their
// default answer.
class HoldingPrompter : public NoDialogPrompter {
public:
    std::vector<Box> boxes;
    void Show(const Box& box) override { boxes.push_back(box); }
    bool AskYesNo(const Box& box, bool yesIsDefault) override {
        boxes.push_back(box);
        return yesIsDefault;
    }
};

} // namespace glanmail
