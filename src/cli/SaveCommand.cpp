// glanmail-cli save STORE... [--txt | --eml | --complete | --mbox] [--group] [--ids 3,5,8]
//                   [--recover] [--storage DIR]
// Writes the files the window's save commands write, under the same folders and names:
// --txt the text form ("Txt"), --eml the original form ("Nws et Eml"), --complete the
// original form whole, attachments included. --group puts each conversation into one text
// file. --mbox writes one mbox file per store instead. --recover adds the messages the index
// no longer reaches. A folder given as STORE stands for every .dbx in it, in name order.
// Each store is opened, selected and saved through the Session, as the window saves it;
// --mbox, which the window does not write, goes from the Session's open store to its mbox file.
// --attachments writes each message's attachments into DIR/<store>/<message name>/, as the
// window's "Enregistrer les pièces jointes" does (alone, or beside the form asked for).
#include "CliPrompter.h"
#include "Commands.h"
#include "Interrupt.h"
#include "MboxSave.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"
#include "app/Session.h"
#include "common/RepeatedBoxes.h"
#include "common/Text.h"
#include "common/WriteErrors.h"
#include "output/AttachmentBatch.h"
#include "output/BatchOutput.h"
#include "output/FileRoutines.h"
#include "output/MsgOutput.h"
#include "output/StoreFolders.h"
#include "reader/Store.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;

// The storage folder as an absolute path without a trailing "/": the path budget counts
// the whole path, as the window's storage folder is.
std::string AbsoluteFolder(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') {
        s.pop_back();
    }
    return s;
}

// A folder stands for every .dbx in it, in name order; anything else is taken as a store.
std::vector<std::string> ExpandStores(const std::vector<std::string>& given, std::ostream& err, std::size_t& refused) {
    std::vector<std::string> stores;
    for (const std::string& path : given) {
        if (!FolderExists(path)) {
            stores.push_back(path);
            continue;
        }
        const std::vector<std::string> found = StoresInFolder(path);
        if (found.empty()) {
            err << "glanmail-cli: " << path << ": aucun fichier .dbx dans ce dossier\n";
            ++refused;
        }
        stores.insert(stores.end(), found.begin(), found.end());
    }
    return stores;
}

// A progress bar on standard error, drawn only when it is a terminal.
class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    void Start(const std::string& name, std::size_t total) {
        name_ = name;
        total_ = total;
        done_ = 0;
        shown_ = -1;
        Draw();
    }
    void Step() {
        ++done_;
        Draw();
    }
    void Clear() {
        if (enabled_ && shown_ >= 0) {
            std::cerr << "\r\033[K" << std::flush;
            shown_ = -1;
        }
    }

private:
    void Draw() {
        if (!enabled_ || total_ == 0) {
            return;
        }
        const int percent = static_cast<int>(std::min(done_, total_) * 100 / total_);
        if (percent == shown_) {
            return;
        }
        shown_ = percent;
        const int filled = percent * 30 / 100;
        std::cerr << "\r" << name_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
                  << std::string(static_cast<std::size_t>(30 - filled), ' ') << "] " << percent << " % (" << done_
                  << "/" << total_ << ")" << std::flush;
    }

    bool enabled_;
    std::string name_;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    int shown_ = -1;
};

// Boxes go to standard error on a line of their own, below the bar.
class BarPrompter : public ForwardingPrompter {
public:
    BarPrompter(CliPrompter& inner, ProgressBar& bar) : ForwardingPrompter(inner), bar_(bar) {}
    void Show(const Box& box) override {
        bar_.Clear();
        inner_.Show(box);
    }
    bool AskYesNo(const Box& box, bool yesIsDefault) override {
        bar_.Clear();
        return inner_.AskYesNo(box, yesIsDefault);
    }

private:
    ProgressBar& bar_;
};

struct Totals {
    std::size_t files = 0;
    std::size_t messages = 0;
    std::size_t attachments = 0;
    std::size_t skipped = 0;
    std::size_t incomplete = 0;
    std::size_t refusedStores = 0;
    bool damagedIndex = false;
    std::size_t openedStores = 0;
    bool abandoned = false;   // a write failed in a way that would repeat: the save stopped
    bool interrupted = false; // Ctrl+C or SIGTERM
    bool writeFailed = false; // some file could not be written
};

// What the save of every store shares: options, where to write, how to tell the user.
struct SaveRun {
    const SaveOptions& options;
    Session& session;
    std::string storage;
    FileSystem& files;
    CliPrompter& cli;
    RepeatedBoxes& prompter;
    ProgressBar& bar;
    std::ostream& err;
    Totals totals;
};

std::string FilesWritten(std::size_t n) {
    return std::to_string(n) + (n < 2 ? " fichier écrit" : " fichiers écrits");
}

// The IDs to save: every one of 1 to count, or those of --ids among them (the others told and
// skipped).
std::vector<std::size_t> Selection(std::size_t count, SaveRun& run) {
    std::vector<std::size_t> selection;
    if (run.options.ids.empty()) {
        for (std::size_t id = 1; id <= count; ++id) {
            selection.push_back(id);
        }
        return selection;
    }
    for (const std::size_t id : run.options.ids) {
        if (id <= count) {
            selection.push_back(id);
        } else {
            run.bar.Clear();
            run.err << run.cli.Line(NoSuchMessage(id, count)) << "\n";
            ++run.totals.skipped;
        }
    }
    return selection;
}

void SaveMboxOfStore(const OpenedStore& store, const std::string& folder, SaveRun& run) {
    const std::vector<std::size_t> selection = Selection(store.MsgCount(), run);
    const MboxSaved saved = SaveMbox(store, selection, run.storage, folder, run.files, run.cli, run.err);
    Totals& totals = run.totals;
    totals.files += saved.written ? 1 : 0;
    totals.messages += saved.messages;
    totals.skipped += saved.skipped;
    totals.incomplete += saved.incomplete;
    totals.writeFailed = totals.writeFailed || (!saved.written && !saved.interrupted);
    totals.interrupted = saved.interrupted;
}

// The messages a store's save did not reach when a failure abandoned it.
void CountAbandoned(const BatchSummary& s, std::size_t selected, Totals& totals) {
    if (s.abandoned) {
        totals.abandoned = true;
        totals.skipped += selected - s.messages + 1; // the failed message and those not reached
    }
}

// The attachments of the selected messages of the session's store.
void SaveAttachmentsOfStore(const std::vector<std::size_t>& selection, const std::string& folder, SaveRun& run) {
    Totals& totals = run.totals;
    const OpenedStore& store = *run.session.Store();
    run.bar.Start(store.Name, selection.size());
    const AttachmentBatch b =
        SaveAttachments(store, selection, StoreFolderPath(run.storage, store.Name, folder), run.prompter, run.files,
                        &InterruptCatcher::Requested, [&run](std::size_t id) {
                            run.cli.SetMessage(id);
                            run.bar.Step();
                        });
    run.bar.Clear();
    run.cli.SetMessage(0);
    totals.attachments += b.files;
    totals.skipped += b.unreadable + b.notWritten;
    totals.writeFailed = totals.writeFailed || b.notWritten > 0;
    if (b.abandoned) {
        totals.abandoned = true;
        totals.skipped += selection.size() - b.messages - b.unreadable;
    }
    totals.interrupted = b.interrupted;
    if (!run.options.messages) {
        totals.incomplete += b.incomplete; // told once, by the messages' save when there is one
    }
}

// The open store of the session, every selected message saved as the window's "Txt" or
// "Nws et Eml" saves it.
void SaveSessionStore(const std::string& folder, SaveRun& run) {
    const SaveOptions& o = run.options;
    Session& session = run.session;
    Totals& totals = run.totals;
    const std::vector<std::size_t> selection = Selection(session.MsgCount(), run);
    if (!o.messages) {
        SaveAttachmentsOfStore(selection, folder, run);
        return;
    }
    session.BuildSelection(selection);
    OutputContext context;
    context.storeFolder = folder;
    if (o.form == SaveForm::Complete) {
        context.attachments = AttachmentPolicy::Whole;
    }
    context.progress = [&run](std::size_t id) {
        run.cli.SetMessage(id);
        run.bar.Step();
    };
    context.batchEnd = [&run] {
        run.bar.Clear();
        run.cli.SetMessage(0);
    };
    context.stopRequested = &InterruptCatcher::Requested;

    run.bar.Start(session.Store()->Name, selection.size());
    const OutputResult r =
        session.Run(o.form == SaveForm::Txt ? OutputCommand::AllTxt : OutputCommand::AllNws, context);
    const BatchSummary& s = r.summary;
    totals.files += r.filesOpened;
    totals.messages += r.messagesWritten;
    totals.skipped += s.Skipped();
    totals.incomplete += r.incomplete;
    totals.writeFailed = totals.writeFailed || s.notWritten > 0;
    CountAbandoned(s, selection.size(), totals);
    totals.interrupted = s.interrupted;
    if (o.attachments && !totals.abandoned && !totals.interrupted) {
        SaveAttachmentsOfStore(selection, folder, run);
    }
}

// Opens one store and saves it; false when it was refused.
bool SaveOneStore(const StoreToSave& each, SaveRun& run) {
    Totals& totals = run.totals;
    const CommandStore opened = OpenInSession(run.session, each.path, run.options.recover, run.prompter);
    if (opened == CommandStore::Refused) {
        return false;
    }
    const OpenedStore& store = *run.session.Store();
    run.bar.Clear();
    totals.damagedIndex =
        ReportStoreDamage(store, run.err) || opened == CommandStore::SearchedWhole || totals.damagedIndex;
    totals.skipped += store.UnreadableEntries;
    if (run.options.mbox) {
        SaveMboxOfStore(store, each.folder, run);
    } else {
        SaveSessionStore(each.folder, run);
    }
    return true;
}

} // namespace

int Save(const SaveOptions& o, std::ostream& out, std::ostream& err, FileSystem& files) {
    const std::string storage = AbsoluteFolder(o.storage);
    if (!FolderExists(storage)) {
        const int made = files.MakeFolder(storage, 0777);
        if (made < 0 && !FolderExists(storage)) {
            const int error = made == -EEXIST ? ENOTDIR : -made; // a file has the folder's name
            err << "glanmail-cli: " << CannotCreateFolder(storage, error) << "\n";
            return kExitOutput;
        }
    }

    const InterruptCatcher interrupts;
    const bool terminal = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    ProgressBar bar(terminal);
    CliPrompter cli(err);
    BarPrompter barPrompter(cli, bar);
    RepeatedBoxes prompter(barPrompter);
    // The session tells its boxes once per cause itself, with their count at the end of each store.
    Session session(barPrompter, files);
    session.SetStorageFolder(storage);
    session.SetGroupingOption(o.group);
    SaveRun run{o, session, storage, files, cli, prompter, bar, err, Totals{}};
    Totals& totals = run.totals;
    const StorePlan plan = PlanStores(ExpandStores(o.stores, err, totals.refusedStores));
    for (const StorePlan::Repeat& repeat : plan.repeats) {
        err << "glanmail-cli: " << repeat.path << ": même fichier que " << repeat.sameAs
            << ", enregistré une seule fois\n";
    }
    for (const StoreToSave& each : plan.stores) {
        const std::string& path = each.path;
        if (InterruptCatcher::Requested()) {
            totals.interrupted = true;
            break;
        }
        cli.SetFile(path);
        if (!SaveOneStore(each, run)) {
            ++totals.refusedStores;
            continue;
        }
        ++totals.openedStores;
        if (totals.abandoned || totals.interrupted) {
            break;
        }
    }
    cli.SetFile("");

    out << "Fichiers écrits : " << totals.files << " (" << totals.messages
        << (totals.messages < 2 ? " message)\n" : " messages)\n") << "Messages ignorés : " << totals.skipped << "\n"
        << "Fichiers DBX refusés : " << totals.refusedStores << "\n";
    if (o.attachments) {
        out << "Pièces jointes écrites : " << totals.attachments << "\n";
    }
    if (totals.incomplete > 0) {
        out << "Messages incomplets : " << totals.incomplete << "\n";
    }
    if (totals.interrupted) {
        err << cli.Line("Enregistrement interrompu : " + FilesWritten(totals.files + totals.attachments)) << "\n";
        return kExitInterrupted;
    }
    if (totals.abandoned) {
        err << cli.Line("Enregistrement arrêté : " + FilesWritten(totals.files + totals.attachments)) << "\n";
        return kExitOutput;
    }
    if (totals.writeFailed) {
        return kExitOutput;
    }
    if (totals.openedStores == 0 && totals.refusedStores > 0) {
        return kExitBadStore;
    }
    if (totals.skipped > 0 || totals.incomplete > 0 || totals.damagedIndex || totals.refusedStores > 0) {
        return kExitSkipped;
    }
    return kExitOk;
}

} // namespace glanmail::cli
