#include "app/Session.h"

#include "common/Encoding.h"
#include "common/RepeatedBoxes.h"
#include "common/Text.h"
#include "output/FileRoutines.h"
#include "output/MsgOutput.h"
#include "reader/RawMessage.h"

#include <algorithm>
#include <sys/stat.h>

namespace glanmail {
namespace {

// Passes every box on and keeps a copy, so that an operation can say which boxes it raised.
class RecordingPrompter : public ForwardingPrompter {
public:
    RecordingPrompter(Prompter& inner, std::vector<Box>& boxes) : ForwardingPrompter(inner), boxes_(boxes) {}
    void Show(const Box& box) override {
        boxes_.push_back(box);
        inner_.Show(box);
    }
    bool AskYesNo(const Box& box, bool yesIsDefault) override {
        boxes_.push_back(box);
        return inner_.AskYesNo(box, yesIsDefault);
    }

private:
    std::vector<Box>& boxes_;
};

// Tells the caller which message comes next, before it is read: the window moves its bar and
// names the PDF of a print job that is about to begin, the command line numbers its boxes.
// Stopping is the batch output's own (MessageOutput::StopRequested), passed through.
class ProgressOutput : public MessageOutput {
public:
    ProgressOutput(MsgOutput& inner, const std::function<void(std::size_t)>& progress)
        : inner_(inner), progress_(progress) {}
    OutputStatus ReadMsg(std::size_t index, OutputMode mode) override {
        if (progress_) {
            progress_(index);
        }
        return inner_.ReadMsg(index, mode);
    }
    void WillRead(const std::vector<std::size_t>& order) override { inner_.WillRead(order); }
    OutputStatus EndGroup() override { return inner_.EndGroup(); }
    void AbandonGroup() override { inner_.AbandonGroup(); }
    bool StopRequested() const override { return inner_.StopRequested(); }

private:
    MsgOutput& inner_;
    const std::function<void(std::size_t)>& progress_;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

OutputFlags FlagsFor(OutputCommand command) {
    switch (command) {
    case OutputCommand::AllTxt:
        return OutputFlags::AllTxt();
    case OutputCommand::AllNws:
        return OutputFlags::AllNws();
    case OutputCommand::ModTxt:
        return OutputFlags::ModTxt();
    case OutputCommand::ModNws:
        return OutputFlags::ModNws();
    case OutputCommand::Print:
        break;
    }
    return OutputFlags::Print();
}

} // namespace

Box RecoveryQuestion() {
    return Box{"L'index de ce fichier est vide ou endommagé. Rechercher les messages dans tout le fichier ?", kAppTitle,
               BoxIcon::Question};
}

void Session::Close() {
    editsPending_ = false;
    store_.reset();
    selection_.clear();
    currentPos_ = 0;
    shownId_ = 0;
    shownRaw_.clear();
    shownMsg_ = CurrentMessage{};
}

std::optional<std::string> Session::ChooseStore() {
    std::optional<std::string> path =
        prompter_.ChooseFile("Choisir le fichier dbx à lire", settings_.LastDbxFolder, "Outlook Express (*.dbx)");
    bool found = false;
    if (path && !path->empty()) {
        found = FileExists(*path, true, prompter_);
        // The folder of the chosen file, whether it proved readable or not.
        const std::size_t slash = path->rfind('/');
        if (slash != std::string::npos && slash > 0) {
            settings_.LastDbxFolder = path->substr(0, slash);
        }
    }
    if (!found) {
        prompter_.Show(Box{"Pas de fichier sélectionné."});
        return std::nullopt;
    }
    return path;
}

OpenResult Session::Open(const std::string& path, OpenRecovery recovery, DamageBoxes damage,
                         const BuildProgress* progress) {
    Close();
    OpenResult result;
    RecordingPrompter prompter(prompter_, result.boxes);
    if (!env_.OEStoreFolder.empty() && text::EqualsIgnoreCase(FolderOf(path), env_.OEStoreFolder) &&
        env_.ProcessRunning && env_.ProcessRunning("msimn.exe")) {
        prompter.Show(Box{"Par mesure de sécurité, Outlook Express doit être fermé."});
        return result;
    }
    const std::string name = FileNameOf(path);
    // A missing file is told as missing, whatever its name (the reader says so below).
    struct stat st {};
    if (IsRefusedName(name) && ::stat(path.c_str(), &st) == 0) {
        prompter.Show(Box{"La lecture du fichier " + name + " n'est pas autorisée"});
        return result;
    }
    result.Name = name;
    store_ = OpenStoreAt(path, recovery, damage, prompter, progress, result);
    if (!store_) {
        return result;
    }
    // Damage passed over while the index was read: the store opens with what it still holds,
    // and the user is told what may be missing.
    if (damage == DamageBoxes::Shown) {
        for (const Box& warning : store_->Warnings) {
            prompter.Show(warning);
        }
    }
    result.outcome = result.boxes.empty() ? OpenOutcome::Opened : OpenOutcome::OpenedWithWarnings;
    result.MsgCount = store_->MsgCount();
    result.RecoveredCount = store_->RecoveredCount();
    result.DbxMsgCount = store_->DbxMsgCount;
    result.Caption = store_->Caption();
    return result;
}

std::unique_ptr<OpenedStore> Session::OpenStoreAt(const std::string& path, OpenRecovery recovery, DamageBoxes damage,
                                                  Prompter& prompter, const BuildProgress* progress,
                                                  OpenResult& result) {
    OpenRefusal refusal = OpenRefusal::None;
    // A file the reader refused for its header or its index may still hold messages; a
    // missing, empty or refused one holds none to search for.
    const auto searchable = [&refusal] { return refusal == OpenRefusal::Index || refusal == OpenRefusal::Header; };
    if (recovery == OpenRecovery::Offer) {
        // The index is read first with its boxes held back: when it gives nothing or is
        // damaged, the question comes instead of them, and they are shown only on No.
        HoldingPrompter held;
        std::unique_ptr<OpenedStore> store = OpenStore(path, held, false, &refusal, progress);
        const bool indexLost = store ? store->MsgCount() == 0 || store->Damaged() : searchable();
        if (!indexLost || !prompter.AskYesNo(RecoveryQuestion(), true)) {
            result.SearchDeclined = indexLost;
            for (const Box& box : held.boxes) {
                prompter.Show(box);
            }
            return store;
        }
        recovery = OpenRecovery::Search;
    }
    if (recovery == OpenRecovery::Off) {
        return OpenStore(path, prompter, false, &refusal, progress);
    }
    // The whole file is searched as asked: when the index gives nothing, what it says is no
    // news to the window (the question was asked), and the reason of the search to the command
    // line. It is the answer when the search finds nothing either.
    HoldingPrompter held;
    std::unique_ptr<OpenedStore> store = OpenStore(path, held, true, &refusal, progress);
    if (!store && searchable()) {
        store = OpenWholeFile(path);
        if (store && store->MsgCount() > 0) {
            result.WholeFileSearched = true;
            if (damage == DamageBoxes::Kept) {
                for (const Box& box : held.boxes) {
                    prompter.Show(box);
                }
            }
            return store;
        }
        store.reset();
        if (held.boxes.empty()) {
            held.boxes.push_back({"Ce fichier ne contient aucun message complet", kAppTitle, BoxIcon::Information});
        }
    }
    for (const Box& box : held.boxes) {
        prompter.Show(box);
    }
    return store;
}

void Session::BuildSelection(std::vector<std::size_t> ids) {
    selection_ = std::move(ids);
    currentPos_ = std::min(currentPos_, selection_.size());
}

ShownMessage Session::View(std::size_t id) {
    ShownMessage shown;
    shown.id = id;
    HideShown();
    if (!store_ || id < 1 || id > store_->MsgCount()) {
        return shown;
    }
    RecordingPrompter prompter(prompter_, shown.boxes);
    const MsgEntry& entry = store_->Entry(id);
    std::optional<RawExtraction> raw = ExtractMessage(*store_, id, prompter);
    if (!raw) {
        return shown;
    }
    if (raw->incomplete) {
        shown.incomplete = true;
        prompter.Show(Box{IncompleteMessageText(id), kAppTitle, BoxIcon::Exclamation, BoxKind::IncompleteMessage});
    }
    shownRaw_ = std::move(raw->text);
    shownMsg_ = MsgProcessing(shownRaw_, entry.Listed(), state_, prompter);
    shownId_ = id;
    shown.read = true;
    shown.Subject = entry.Subject;
    shown.Body = encoding::CollapseCrCrLf(shownMsg_.MsgText);
    return shown;
}

std::string Session::ShownTextForm() const {
    return shownId_ == 0 ? std::string() : TextFormBytes(shownMsg_, OutputMode::Single, nullptr);
}

ShownMessage Session::Show(std::size_t pos) {
    currentPos_ = pos;
    return View(selection_[pos - 1]);
}

ShownMessage Session::ShowFirstSelected() {
    if (selection_.empty()) {
        currentPos_ = 0;
        return ShownMessage{};
    }
    return Show(1);
}

std::optional<ShownMessage> Session::StepUp() {
    if (!CanStepUp()) {
        return std::nullopt;
    }
    return Show(currentPos_ - 1);
}

std::optional<ShownMessage> Session::StepDown() {
    if (!CanStepDown()) {
        return std::nullopt;
    }
    return Show(currentPos_ + 1);
}

SearchResult Session::Search(std::string_view typed, const SearchFields& fields, const SearchControl& control) const {
    if (!store_) {
        return SearchResult{};
    }
    return SearchStore(*store_, SearchPhrase(typed), fields, control);
}

bool Session::MayLeaveShownMessage() {
    if (!editsPending_) {
        return true;
    }
    const Box question{"Les modifications de ce message n'ont pas été enregistrées. Les abandonner ?", kAppTitle,
                       BoxIcon::Question};
    if (!prompter_.AskYesNo(question, false)) {
        return false;
    }
    editsPending_ = false;
    return true;
}

std::vector<std::size_t> Session::Conversation(std::size_t id) const {
    std::vector<std::size_t> ids;
    if (!store_ || id < 1 || id > store_->MsgCount()) {
        return ids;
    }
    const std::string& key = store_->Entry(id).ThreadKey;
    for (std::size_t i = 1; i <= store_->MsgCount(); ++i) {
        if (text::EqualsIgnoreCase(store_->Entry(i).ThreadKey, key)) {
            ids.push_back(i);
        }
    }
    return ids;
}

OutputResult Session::Run(OutputCommand command, OutputContext context) {
    OutputResult result;
    if (!store_) {
        result.summary.abandoned = true;
        return result;
    }
    // A batch can raise one box for many messages: each cause is shown once, then counted.
    RepeatedBoxes prompter(prompter_);
    MsgOutput output(*store_, state_, prompter, FlagsFor(command), files_);
    output.SetStorageFolder(settings_.StorageFolder);
    output.SetStoreFolder(context.storeFolder);
    output.SetAttachmentPolicy(context.attachments);
    output.SetStopRequested(context.stopRequested);
    output.SetPrintDevice(context.printer);
    if (command == OutputCommand::ModTxt || command == OutputCommand::ModNws) {
        context.edits.SubjectModified = subjectModified_;
        context.edits.BodyModified = bodyModified_;
        if (shownId_ == 0) {
            result.summary.abandoned = true; // no message on show
            return result;
        }
        const OutputStatus status = output.MsgEnd(shownId_, OutputMode::Single, shownRaw_, shownMsg_, &context.edits);
        result.summary.messages = 1;
        result.summary.written = status == OutputStatus::Written ? 1 : 0;
        result.summary.refused = status == OutputStatus::Refused ? 1 : 0;
        result.summary.abandoned = status == OutputStatus::Failed;
        // The original form carries the subject alone: an edited text is still to be saved.
        if (status == OutputStatus::Written && (command == OutputCommand::ModTxt || !bodyModified_)) {
            editsPending_ = false;
        }
    } else {
        ProgressOutput each(output, context.progress);
        result.summary = command == OutputCommand::AllNws
                             ? OutputEach(selection_, each)
                             : OutputSelection(selection_, store_->MsgTable, settings_.GroupingOn(), each);
        result.stopped = result.summary.interrupted;
    }
    if (context.batchEnd) {
        context.batchEnd();
    }
    prompter.ShowCounts();
    result.lastPath = output.Saver().LastPath();
    result.filesOpened = output.Saver().FilesWritten();
    result.messagesWritten = output.Saver().MessagesWritten();
    result.incomplete = output.IncompleteCount();
    result.cutBeforeAttachments = output.CutCount();
    return result;
}

std::vector<Attachment> Session::Attachments(std::size_t id) {
    if (!store_ || id == 0 || id > store_->MsgCount()) {
        return {};
    }
    const std::optional<RawExtraction> raw = ExtractMessage(*store_, id, prompter_, AttachmentPolicy::Whole);
    return raw ? ListAttachments(raw->text).Items : std::vector<Attachment>{};
}

AttachmentBatch Session::SaveAttachments(const std::function<bool()>& stop,
                                         const std::function<void(std::size_t)>& progress) {
    if (!store_) {
        return {};
    }
    return glanmail::SaveAttachments(*store_, selection_, StoreFolderPath(settings_.StorageFolder, store_->Name),
                                     prompter_, files_, stop, progress);
}

} // namespace glanmail
