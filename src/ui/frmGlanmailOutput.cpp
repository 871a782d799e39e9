// Opening a store and the output commands: the long work of the window, which keeps it
// repainting, moves the progress bar and stops when the window is closed.
#include "common/Encoding.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"
#include "shell/FileSystem.h"
#include "ui/MessageListView.h"
#include "ui/MessageTableModel.h"
#include "ui/QtPrintDevice.h"
#include "ui/frmGlanmail.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>
#include <filesystem>
#include <thread>

namespace glanmail::ui {
namespace {

constexpr qint64 kRepaintEveryMs = 50;

QString U(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// A file chosen to print into, without its ".pdf": the PDF device adds it, and numbers the
// jobs after the first.
std::string PdfBaseOf(const std::string& file) {
    const std::size_t n = file.size();
    if (n > 4 && (file.compare(n - 4, 4, ".pdf") == 0 || file.compare(n - 4, 4, ".PDF") == 0)) {
        return file.substr(0, n - 4);
    }
    return file;
}

} // namespace

void frmGlanmail::ResetForOpen() {
    session_.Close();
    ResetCommands();
    rowSelected_.clear();
    SetPanel(2, U("aucun fichier chargé"));
    SetPanel(4, QString());
    {
        const MessageListView::ProgramSelection own(lvwMessages);
        model_->SetTable(nullptr);
    }
    busy_ = true;
    txtSubject->clear();
    txtBody->clear();
    cmdDown->setEnabled(false);
    cmdUp->setEnabled(false);
    mnuSelectAll->setEnabled(false);
    mnuSearch->setEnabled(false);
    txtEnd->hide();
    busy_ = false;
    lblLvw->setText(U("Liste des messages"));
    UpdateRecoverEntry();
}

void frmGlanmail::UpdateRecoverEntry() {
    mnuRecover->setEnabled(!working_ && (session_.Store() != nullptr || !declinedSearchPath_.empty()));
}

void frmGlanmail::mnuRecover_Click() {
    if (working_ || (session_.Store() == nullptr && declinedSearchPath_.empty()) || !MayLeaveShownMessage()) {
        return;
    }
    const std::string path = session_.Store() != nullptr ? session_.Store()->DbxPath : declinedSearchPath_;
    OpenPath(path, OpenRecovery::Search);
}

void frmGlanmail::SelectDbx() {
    if (working_ || !MayLeaveShownMessage()) {
        return;
    }
    ResetForOpen();
    if (const std::optional<std::string> path = session_.ChooseStore()) {
        OpenPath(*path);
    }
}

void frmGlanmail::OpenPath(const std::string& path, OpenRecovery recovery) {
    if (working_ || !MayLeaveShownMessage()) {
        return;
    }
    ResetForOpen();
    declinedSearchPath_.clear();
    working_ = true;
    UpdateRecoverEntry();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString panel3 = statPanels[2]->text();
    SetPanel(3, U("  Phases de construction"));
    Bar->show();

    // The store is read on a worker while the window goes on repainting; its boxes come back
    // to the window's thread through the prompter. List building tells its phases (panel 4)
    // and its steps (the bar) from the worker: each report is queued to the window's thread,
    // where they arrive in order, all before the loop's end.
    OpenResult result;
    BuildProgress progress;
    progress.phase = [this](int phase) {
        QMetaObject::invokeMethod(
            this, [this, phase] { SetPanel(4, QString::number(phase)); }, Qt::QueuedConnection);
    };
    progress.step = [this](std::size_t i) {
        QMetaObject::invokeMethod(
            this, [this, i] { ShowProgress(i); }, Qt::QueuedConnection);
    };
    RunOffThread([&] { result = session_.Open(path, recovery, DamageBoxes::Shown, &progress); });

    if (!result.Name.empty()) {
        SetPanel(2, U(result.Name));
    }
    // The user who said No to searching the whole file may change their mind from the menu.
    if (result.SearchDeclined) {
        declinedSearchPath_ = path;
    }
    if (result.Listed()) {
        {
            const MessageListView::ProgramSelection own(lvwMessages);
            model_->SetTable(&session_.Store()->MsgTable);
        }
        // Without a complete message the building stopped after phase 2, and the panels say so.
        if (result.MsgCount > 0) {
            SetPanel(3, U("  Messages sélectionnés"));
            SetPanel(4, QString());
        }
        lblLvw->setText(U(result.Caption));
        mnuSelectAll->setEnabled(true);
        mnuSearch->setEnabled(true);
        if (result.MsgCount > 0) {
            lvwMessages->setFocus();
        }
    } else {
        SetPanel(3, panel3);
    }
    Bar->hide();
    QApplication::restoreOverrideCursor();
    working_ = false;
    UpdateRecoverEntry();
    if (closeRequested_) {
        close();
    }
}

// Runs work on a thread of its own while this thread goes on with the window's events (repaints,
// queued reports, boxes asked for by the work); returns when the work is done.
void frmGlanmail::RunOffThread(const std::function<void()>& work) {
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

// The bar measures activity, not the share done: 5 more every 100 messages, round again at 100.
void frmGlanmail::ShowProgress(std::size_t i) {
    if (i % 100 != 0) {
        return;
    }
    progressValue_ += 5;
    if (progressValue_ >= 100) {
        progressValue_ = 0;
    }
    Bar->setValue(static_cast<int>(progressValue_));
}

void frmGlanmail::KeepRepainting() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastRepaint_ >= kRepaintEveryMs) {
        lastRepaint_ = now;
        QCoreApplication::processEvents();
    }
}

bool frmGlanmail::StopRequested() {
    KeepRepainting();
    return closeRequested_;
}

void frmGlanmail::WorkDone() {
    if (services_.workDone) {
        services_.workDone();
    } else {
        txtEnd->show();
    }
}

void frmGlanmail::RunBatch(OutputCommand command, AttachmentPolicy policy) {
    const bool saving = command == OutputCommand::AllTxt || command == OutputCommand::AllNws;
    std::unique_ptr<QtPrintDevice> printer;
    OutputContext context;
    std::string storeFolder;
    if (const OpenedStore* store = session_.Store()) {
        storeFolder = session_.StorageFolder() + StoreFolderPart(store->Name);
    }
    // A file chosen in the printer dialog takes the jobs (numbered after the first); without a
    // printer, each job becomes a PDF named like the message's text file.
    const bool chosenFile = !printer_.file.empty();
    if (command == OutputCommand::Print) {
        printer = chosenFile ? QtPrintDevice::ForPdf(PdfBaseOf(printer_.file))
                             : QtPrintDevice::ForPrinter(printer_.printer, storeFolder + "/Glanmail");
        context.printer = printer.get();
    }
    context.progress = [&](std::size_t id) {
        if (saving) {
            ShowProgress(id);
        }
        if (printer && !chosenFile && printer->PrintsToPdf() && !printer->JobActive()) {
            const MsgEntry& e = session_.Entry(id);
            int error = 0;
            MakeFolders(SystemFiles(), storeFolder, 0777, error); // a failure is told when the PDF is begun
            printer->SetPdfBase(storeFolder + "/" + encoding::ToUtf8(StandardName(e.Subject)) + "_" + e.DateKey);
        }
        KeepRepainting();
    };
    context.stopRequested = [this] { return StopRequested(); };
    context.attachments = policy;

    working_ = true;
    UpdateRecoverEntry();
    Bar->show();
    const OutputResult r = session_.Run(command, context);
    Bar->hide();
    working_ = false;
    UpdateRecoverEntry();
    std::vector<std::string> pdfs;
    if (printer) {
        printer->EndDoc(); // a job left open
        pdfs = printer->PdfFiles();
        printer.reset();
    }
    if (r.WorkDone()) {
        WorkDone();
    }
    TellCutMessages(r.cutBeforeAttachments);
    TellPdfFiles(pdfs, chosenFile);
    if (closeRequested_) {
        close();
    }
}

void frmGlanmail::cmdAllTxt_Click() {
    SaveSelection(OutputCommand::AllTxt);
}

void frmGlanmail::cmdAllNws_Click() {
    SaveSelection(OutputCommand::AllNws);
}

// The two save buttons: a press that comes while the program itself changes the window only
// lowers the busy flag; otherwise the selection is saved, the arrows greyed meanwhile.
void frmGlanmail::SaveSelection(OutputCommand command) {
    if (working_) {
        return;
    }
    if (busy_) {
        busy_ = false;
        return;
    }
    BuildSelection();
    cmdDown->setEnabled(false);
    cmdUp->setEnabled(false);
    RunBatch(command);
}

void frmGlanmail::cmdPrint_Click() {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    RunBatch(OutputCommand::Print);
}

void frmGlanmail::cmdModTxt_Click() {
    SaveEdited(OutputCommand::ModTxt);
}

void frmGlanmail::cmdModNws_Click() {
    SaveEdited(OutputCommand::ModNws);
}

// The message on show saved with the viewer's edits.
void frmGlanmail::SaveEdited(OutputCommand command) {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    OutputContext context;
    context.edits = Edits();
    if (session_.Run(command, context).WorkDone()) {
        WorkDone();
    }
}

// Where the PDF files of a print went: one file by its path; several by their count and folder,
// so that the box stays a few lines high however many jobs there were.
void frmGlanmail::TellPdfFiles(const std::vector<std::string>& pdfs, bool chosenFile) {
    if (pdfs.empty()) {
        return;
    }
    const std::string lead = chosenFile ? "L'impression a été enregistrée dans"
                                        : "Aucune imprimante n'est installée : l'impression a été enregistrée dans";
    std::string text;
    if (pdfs.size() == 1) {
        text = lead + "\r\n" + pdfs.front();
    } else {
        const std::string folder = std::filesystem::path(pdfs.front()).parent_path().string();
        const std::string count =
            std::to_string(pdfs.size()) + " impressions ont été enregistrées en PDF dans le dossier\r\n" + folder;
        text = chosenFile ? "Les " + count : "Aucune imprimante n'est installée : les " + count;
    }
    prompter_.Show(Box{text, kAppTitle, BoxIcon::Information});
}

// Qt's printer dialog, without the option to print a selection. Its "print to file" gives the
// file chosen there.
std::optional<PrinterChoice> frmGlanmail::ChoosePrinter(const PrinterChoice& current) {
    QPrinter printer;
    if (!current.printer.empty()) {
        printer.setPrinterName(U(current.printer));
    }
    if (!current.file.empty()) {
        printer.setOutputFileName(U(current.file));
    }
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    PrinterChoice chosen;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        chosen.file = printer.outputFileName().toStdString();
    } else {
        chosen.printer = printer.printerName().toStdString();
    }
    return chosen;
}

// The following jobs go to the printer chosen; cancelling changes nothing and shows nothing.
void frmGlanmail::mnuPrinter_Click() {
    const std::optional<PrinterChoice> chosen =
        services_.choosePrinter ? services_.choosePrinter(printer_) : ChoosePrinter(printer_);
    if (chosen) {
        printer_ = *chosen;
    }
}

} // namespace glanmail::ui
