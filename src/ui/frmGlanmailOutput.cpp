// Opening a store and the output commands: the long work of the window, which keeps it
// repainting, moves the progress bar and stops when the window is closed.
#include "common/Encoding.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"
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

} // namespace

void frmGlanmail::ResetForOpen() {
    session_.Close();
    ResetCommands();
    rowSelected_.clear();
    SetPanel(2, U("aucun fichier chargé"));
    SetPanel(4, QString());
    model_->SetTable(nullptr);
    busy_ = true;
    txtSubject->clear();
    txtBody->clear();
    cmdDown->setEnabled(false);
    cmdUp->setEnabled(false);
    mnuSelectAll->setEnabled(false);
    txtEnd->hide();
    busy_ = false;
    lblLvw->setText(U("Liste des messages"));
    UpdateRecoverEntry();
}

void frmGlanmail::UpdateRecoverEntry() {
    mnuRecover->setEnabled(!working_ && session_.Store() != nullptr);
}

void frmGlanmail::mnuRecover_Click() {
    if (working_ || session_.Store() == nullptr) {
        return;
    }
    const std::string path = session_.Store()->DbxPath;
    OpenPath(path, OpenRecovery::Search);
}

void frmGlanmail::SelectDbx() {
    if (working_) {
        return;
    }
    ResetForOpen();
    if (const std::optional<std::string> path = session_.ChooseStore()) {
        OpenPath(*path);
    }
}

void frmGlanmail::OpenPath(const std::string& path, OpenRecovery recovery) {
    if (working_) {
        return;
    }
    ResetForOpen();
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
    QEventLoop loop;
    BuildProgress progress;
    progress.phase = [this](int phase) {
        QMetaObject::invokeMethod(
            this, [this, phase] { SetPanel(4, QString::number(phase)); }, Qt::QueuedConnection);
    };
    progress.step = [this](std::size_t i) {
        QMetaObject::invokeMethod(
            this, [this, i] { ShowProgress(i); }, Qt::QueuedConnection);
    };
    std::thread worker([&] {
        result = session_.Open(path, recovery, DamageBoxes::Shown, &progress);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    if (!result.Name.empty()) {
        SetPanel(2, U(result.Name));
    }
    if (result.Listed()) {
        model_->SetTable(&session_.Store()->MsgTable);
        // Without a complete message the building stopped after phase 2, and the panels say so.
        if (result.MsgCount > 0) {
            SetPanel(3, U("  Messages sélectionnés"));
            SetPanel(4, QString());
        }
        lblLvw->setText(U(result.Caption));
        mnuSelectAll->setEnabled(true);
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

void frmGlanmail::RunBatch(OutputCommand command) {
    const bool saving = command == OutputCommand::AllTxt || command == OutputCommand::AllNws;
    std::unique_ptr<QtPrintDevice> printer;
    OutputContext context;
    std::string storeFolder;
    if (const OpenedStore* store = session_.Store()) {
        storeFolder = session_.StorageFolder() + StoreFolderPart(store->Name);
    }
    if (command == OutputCommand::Print) {
        printer = QtPrintDevice::ForPrinter(printerName_, storeFolder + "/Glanmail");
        context.printer = printer.get();
    }
    context.progress = [&](std::size_t id) {
        if (saving) {
            ShowProgress(id);
        }
        // Without a printer each job becomes a PDF named like the message's text file.
        if (printer && printer->PrintsToPdf() && !printer->JobActive()) {
            const MsgEntry& e = session_.Entry(id);
            std::error_code ec;
            std::filesystem::create_directories(storeFolder, ec);
            printer->SetPdfBase(storeFolder + "/" + encoding::ToUtf8(StandardName(e.Subject)) + "_" + e.DateKey);
        }
        KeepRepainting();
    };
    context.stopRequested = [this] { return StopRequested(); };

    working_ = true;
    UpdateRecoverEntry();
    Bar->show();
    const OutputResult r = session_.Run(command, context);
    Bar->hide();
    working_ = false;
    UpdateRecoverEntry();
    std::vector<std::string> pdfs;
    if (printer) {
        pdfs = printer->PdfFiles();
        printer.reset(); // ends a job left open
    }
    if (r.WorkDone()) {
        WorkDone();
    }
    if (!pdfs.empty()) {
        std::string where;
        for (const std::string& pdf : pdfs) {
            where += "\r\n" + pdf;
        }
        prompter_.Show(Box{"Aucune imprimante n'est installée : l'impression a été enregistrée dans" + where, kAppTitle,
                           BoxIcon::Information});
    }
    if (closeRequested_) {
        close();
    }
}

void frmGlanmail::cmdAllTxt_Click() {
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
    RunBatch(OutputCommand::AllTxt);
}

void frmGlanmail::cmdAllNws_Click() {
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
    RunBatch(OutputCommand::AllNws);
}

void frmGlanmail::cmdPrint_Click() {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    RunBatch(OutputCommand::Print);
}

void frmGlanmail::cmdModTxt_Click() {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    OutputContext context;
    context.edits = Edits();
    if (session_.Run(OutputCommand::ModTxt, context).WorkDone()) {
        WorkDone();
    }
}

void frmGlanmail::cmdModNws_Click() {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    OutputContext context;
    context.edits = Edits();
    if (session_.Run(OutputCommand::ModNws, context).WorkDone()) {
        WorkDone();
    }
}

// Qt's printer dialog, without the option to print a selection.
std::optional<std::string> frmGlanmail::ChoosePrinter(const std::string& current) {
    QPrinter printer;
    if (!current.empty()) {
        printer.setPrinterName(U(current));
    }
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return printer.printerName().toStdString();
}

// The following jobs go to the printer chosen; cancelling changes nothing and shows nothing.
void frmGlanmail::mnuPrinter_Click() {
    const std::optional<std::string> chosen =
        services_.choosePrinter ? services_.choosePrinter(printerName_) : ChoosePrinter(printerName_);
    if (chosen) {
        printerName_ = *chosen;
    }
}

} // namespace glanmail::ui
