#pragma once
// One working session of the program: the open store and its table, the message on show,
// the selection, the edit flags and the options. The window's events and the command line
// call its operations; it never shows anything itself, every box goes to its prompter.

#include "app/MessageSearch.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "content/AttachmentList.h"
#include "content/ContentState.h"
#include "content/MsgProcessing.h"
#include "output/AttachmentBatch.h"
#include "output/BatchOutput.h"
#include "output/MessageSaver.h"
#include "output/PrintDevice.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace glanmail {

enum class OpenOutcome {
    Opened,             // listed without a word
    OpenedWithWarnings, // listed, with boxes on the way (for example no complete message)
    Refused             // nothing listed; the refusal is the last box, if any was shown
};

// How far opening looks for messages.
enum class OpenRecovery {
    Off,   // the index alone
    Offer, // the index; when it gives nothing or is damaged, the user is asked whether to search the whole file
    Search // the index, and the messages it no longer reaches, searched in the whole file
};

// The question of OpenRecovery::Offer (Yes / No, Yes the default).
Box RecoveryQuestion();

struct OpenResult {
    OpenOutcome outcome = OpenOutcome::Refused;
    std::vector<Box> boxes;   // every box shown while opening, in order
    std::string Name;         // the store's file name, once it has passed the name checks
    std::size_t MsgCount = 0; // messages listed, recovered ones included
    std::size_t RecoveredCount = 0;
    std::uint32_t DbxMsgCount = 0;
    std::string Caption; // "125/130 messages complets/contenus dans le fichier Inbox.dbx" when listed
    // The store could not be read through its header or its index, and the whole file was
    // searched instead (what the index said was passed over; with DamageBoxes::Kept it was
    // shown first, as the reason of the search).
    bool WholeFileSearched = false;
    // The user answered No to searching the whole file: it may be searched later on request.
    bool SearchDeclined = false;

    bool Listed() const { return outcome != OpenOutcome::Refused; }
};

// What the store's place on disk is checked against: the Outlook Express store folder of
// the user, and whether a program runs. Without them nothing is refused for its folder.
struct StoreEnvironment {
    std::string OEStoreFolder;
    std::function<bool(const std::string&)> ProcessRunning;
};

// A message as the viewer shows it. Texts are Windows-1252.
struct ShownMessage {
    bool read = false;       // false when its raw text could not be read (the box says why)
    bool incomplete = false; // its block chain broke off: what could be read is shown (a box says so)
    std::size_t id = 0;      // its index in the message table
    std::string Subject;     // txtSubject
    std::string Body;        // txtBody: the plain text, one CR LF per line break
    std::vector<Box> boxes;  // boxes raised while reading and processing it
};

enum class OutputCommand { AllTxt, AllNws, ModTxt, ModNws, Print };

// What an output command needs from its caller besides the session.
struct OutputContext {
    MessageEdits edits;                        // the viewer's texts, for ModTxt and ModNws
    PrintDevice* printer = nullptr;            // for Print
    std::function<void(std::size_t)> progress; // each message's table index, before it is read
    // After the last message, before the boxes raised for many messages are told with their
    // count: those boxes are about no message in particular.
    std::function<void()> batchEnd;
    // Asked before each message. Once it answers yes, no file or print job is begun, and the
    // conversation file being written is removed (see the batch output).
    std::function<bool()> stopRequested;
    // The original form whole, attachments included (the command line's --complete).
    AttachmentPolicy attachments = AttachmentPolicy::CutAtFirstAttachment;
    // The store folder's name when it is not the store's file name without its extension
    // (two stores of one name saved in one run).
    std::string storeFolder;
};

struct OutputResult {
    BatchSummary summary;
    bool stopped = false;            // stopRequested answered yes: the messages not begun were left
    std::string lastPath;            // the file written last
    std::size_t filesOpened = 0;     // files written whole and named
    std::size_t messagesWritten = 0; // the messages those files hold
    std::size_t incomplete = 0;      // messages output with the bytes read before their chain broke off
    // Messages saved in original form without their attachments.
    std::size_t cutBeforeAttachments = 0;
    bool WorkDone() const { return !summary.abandoned && !stopped; }
};

// Whether opening shows the damage passed over in the index as boxes (the window), or leaves
// it in the store's Warnings for the caller to tell (the command line, one line each).
enum class DamageBoxes { Shown, Kept };

class Session {
public:
    // Saved files are written through files (tests make writes fail there).
    explicit Session(Prompter& prompter, FileSystem& files = SystemFiles()) : prompter_(prompter), files_(files) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Options and folders.
    // The session holds the run's one copy of the settings; the shell reads Glanmail.ini into
    // it and writes the file from it.
    Settings& UserSettings() { return settings_; }
    void SetStorageFolder(std::string folder) { settings_.StorageFolder = std::move(folder); }
    const std::string& StorageFolder() const { return settings_.StorageFolder; }
    bool GroupingOption() const { return settings_.GroupingOn(); }
    void SetGroupingOption(bool on) { settings_.SetGrouping(on); }
    const std::string& LastDbxFolder() const { return settings_.LastDbxFolder; }
    void SetLastDbxFolder(std::string folder) { settings_.LastDbxFolder = std::move(folder); }
    void SetEnvironment(StoreEnvironment env) { env_ = std::move(env); }

    // Opening. Close forgets the store, the selection and the message on show (the edit
    // flags stay: only a click in the list clears them).
    void Close();
    // The store dialog: the chosen file, or nothing after "Pas de fichier sélectionné."
    // (also when the chosen file is missing or empty, after saying so). Moves LastDbxFolder.
    std::optional<std::string> ChooseStore();
    // Opens the store at path in place of the one open: the folder and name checks, then
    // the header, the index walk and the table, with the recovery asked. A file that cannot
    // be read through its header or its index (not a missing, empty or refused one) is
    // searched whole when recovery is asked or accepted; a search that finds nothing refuses
    // it with what the header or index said, once. progress, when given, hears how list
    // building goes, on the thread that opens.
    OpenResult Open(const std::string& path, OpenRecovery recovery = OpenRecovery::Off,
                    DamageBoxes damage = DamageBoxes::Shown, const BuildProgress* progress = nullptr);

    const OpenedStore* Store() const { return store_.get(); }
    std::size_t MsgCount() const { return store_ ? store_->MsgCount() : 0; }
    const MsgEntry& Entry(std::size_t id) const { return store_->Entry(id); }

    // Selection: table indexes in the list's display order. The position on show stays
    // (within the new selection) until ShowFirstSelected.
    void BuildSelection(std::vector<std::size_t> ids);
    const std::vector<std::size_t>& Selection() const { return selection_; }
    std::size_t CurrentPos() const { return currentPos_; } // 1-based; 0 when nothing is on show
    ShownMessage ShowFirstSelected();
    // The previous or next selected message; nothing at either end (the window beeps).
    std::optional<ShownMessage> StepUp();
    std::optional<ShownMessage> StepDown();
    bool CanStepUp() const { return currentPos_ >= 2; }
    bool CanStepDown() const { return currentPos_ >= 1 && currentPos_ < selection_.size(); }
    // Reads and processes one message for the viewer; it becomes the message on show.
    ShownMessage View(std::size_t id);
    // The message on show as the text save writes it (UTF-8, CR LF); "" when none is on show.
    std::string ShownTextForm() const;
    // Every table index whose conversation key equals that of id (any case), in table order.
    std::vector<std::size_t> Conversation(std::size_t id) const;

    // Whether a message is on show in the viewer (read, and not emptied away since).
    bool HasShownMessage() const { return shownId_ != 0; }
    // The viewer was emptied: no message is on show until the next one is shown.
    void HideShown() { shownId_ = 0, editsPending_ = false; }

    // The messages whose subject, sender or text (as chosen) hold the words typed (UTF-8),
    // case and accents aside; in table order. Nothing without a store or words.
    SearchResult Search(std::string_view typed, const SearchFields& fields, const SearchControl& control = {}) const;

    // Edit flags. An edit also leaves the message on show with edits not yet saved, until
    // they are saved, abandoned or another message is shown.
    bool SubjectModified() const { return subjectModified_; }
    bool BodyModified() const { return bodyModified_; }
    void MarkSubjectModified() { subjectModified_ = editsPending_ = true; }
    void MarkBodyModified() { bodyModified_ = editsPending_ = true; }
    void ClearEdits() { subjectModified_ = bodyModified_ = false; }
    bool EditsPending() const { return editsPending_; }
    // Before the message on show is left: true to go on. With edits not yet saved the user is
    // asked whether to abandon them (No by default); Yes abandons them.
    bool MayLeaveShownMessage();

    // Runs an output command: the text save, the original-form save and printing over the
    // selection; the edited saves on the message on show. The edit flags of context.edits
    // are taken from the session.
    OutputResult Run(OutputCommand command, OutputContext context);

    // The attachments of message id, read whole; none when it cannot be read (said through the
    // prompter).
    std::vector<Attachment> Attachments(std::size_t id);
    // The attachments of the selection saved into the storage folder, as the command line's
    // save --attachments saves them.
    AttachmentBatch SaveAttachments(const std::function<bool()>& stop = {},
                                    const std::function<void(std::size_t)>& progress = {});

private:
    ShownMessage Show(std::size_t pos);
    std::unique_ptr<OpenedStore> OpenStoreAt(const std::string& path, OpenRecovery recovery, DamageBoxes damage,
                                             Prompter& prompter, const BuildProgress* progress, OpenResult& result);

    Prompter& prompter_;
    FileSystem& files_;
    ContentState state_;
    StoreEnvironment env_;
    Settings settings_;

    std::unique_ptr<OpenedStore> store_;
    std::vector<std::size_t> selection_;
    std::size_t currentPos_ = 0;
    bool subjectModified_ = false;
    bool bodyModified_ = false;
    bool editsPending_ = false;

    // The message on show, as the edited saves need it.
    std::size_t shownId_ = 0;
    std::string shownRaw_;
    CurrentMessage shownMsg_;
};

} // namespace glanmail
