#include "ui/QtPrintDevice.h"

#include "common/Encoding.h"
#include "common/OutputFile.h"
#include "common/WriteErrors.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>
#include <QString>
#include <algorithm>
#include <cerrno>

namespace glanmail::ui {
namespace {

QString ToQString(std::string_view cp1252) {
    return QString::fromStdString(encoding::ToUtf8(cp1252));
}

// The folder of a path, with its final "/" ("./" for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

} // namespace

std::unique_ptr<QtPrintDevice> QtPrintDevice::ForDefaultPrinter(const std::string& pdfBase) {
    if (QPrinterInfo::defaultPrinter().isNull()) {
        return ForPdf(pdfBase);
    }
    return std::unique_ptr<QtPrintDevice>(new QtPrintDevice(std::string()));
}

std::unique_ptr<QtPrintDevice> QtPrintDevice::ForPdf(const std::string& pdfBase) {
    return std::unique_ptr<QtPrintDevice>(new QtPrintDevice(pdfBase.empty() ? std::string("Glanmail") : pdfBase));
}

std::unique_ptr<QtPrintDevice> QtPrintDevice::ForPrinter(const std::string& printerName, const std::string& pdfBase) {
    if (printerName.empty() || QPrinterInfo::printerInfo(QString::fromStdString(printerName)).isNull()) {
        return ForDefaultPrinter(pdfBase);
    }
    auto device = std::unique_ptr<QtPrintDevice>(new QtPrintDevice(std::string()));
    device->printer_->setPrinterName(QString::fromStdString(printerName));
    return device;
}

QtPrintDevice::QtPrintDevice(std::string pdfBase)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)), font_(QStringLiteral("Arial"), 10),
      pdfBase_(std::move(pdfBase)) {
    if (PrintsToPdf()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        // The margins of a usual printer's unprintable edge: the 47 em dashes of a group's
        // separator fit within 90% of the width, as on paper.
        printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                            QMarginsF(6.35, 10, 6.35, 10), QPageLayout::Millimeter));
    }
    printer_->setDocName(QStringLiteral("Glanmail"));
}

QtPrintDevice::~QtPrintDevice() {
    EndDoc(); // a job left open ends as any other
}

double QtPrintDevice::Twips(double pixels) const {
    return pixels * 1440.0 / printer_->resolution();
}

double QtPrintDevice::ScaleWidth() {
    return Twips(printer_->pageLayout().paintRectPixels(printer_->resolution()).width());
}

double QtPrintDevice::TextWidth(std::string_view cp1252) {
    const QFontMetricsF metrics(font_, printer_.get());
    return Twips(metrics.horizontalAdvance(ToQString(cp1252)));
}

bool QtPrintDevice::BeginJob() {
    // A PDF is written under a temporary name beside where it belongs, and named when whole.
    if (PrintsToPdf()) {
        int error = 0;
        pdfFile_ = OutputFile::Create(SystemFiles(), FolderOf(pdfBase_), error);
        if (!pdfFile_) {
            error_ = "Impossible d'écrire le fichier " + pdfBase_ + ".pdf : " + SystemErrorText(error);
            return false;
        }
        printer_->setOutputFileName(QString::fromStdString(pdfFile_->TemporaryPath()));
    }
    if (!painter_.begin(printer_.get())) {
        error_ = PrintsToPdf() ? "Impossible d'écrire le fichier " + pdfBase_ + ".pdf" : "L'imprimante ne répond pas.";
        pdfFile_.reset();
        return false;
    }
    painter_.setFont(font_);
    const QFontMetricsF metrics(font_, printer_.get());
    ascent_ = metrics.ascent();
    // Whatever the paper, a page takes its 66 lines.
    const double height = printer_->pageLayout().paintRectPixels(printer_->resolution()).height();
    lineStep_ = std::min(metrics.lineSpacing(), height / kLinesPerSheet);
    active_ = true;
    page_ = 1;
    y_ = 0;
    return true;
}

void QtPrintDevice::PrintLine(std::string_view cp1252) {
    if (!active_ && !BeginJob()) {
        return;
    }
    if (!cp1252.empty()) {
        painter_.drawText(QPointF(0, y_ + ascent_), ToQString(cp1252));
    }
    y_ += lineStep_;
}

void QtPrintDevice::NewPage() {
    if (!active_) {
        return;
    }
    if (!printer_->newPage() && error_.empty()) {
        error_ = "L'imprimante n'a pas pu commencer une nouvelle page.";
    }
    ++page_;
    y_ = 0;
}

void QtPrintDevice::EndDoc() {
    if (!active_) {
        return;
    }
    active_ = false;
    if (!painter_.end() && error_.empty()) {
        error_ = "L'impression n'a pas pu être terminée.";
    }
    if (pdfFile_ && error_.empty()) {
        NamePdf();
    }
    pdfFile_.reset(); // a PDF not named is removed
}

// The whole PDF gets the first free name of base.pdf, base-1.pdf, ...; never one that holds
// something.
void QtPrintDevice::NamePdf() {
    for (int n = 0;; ++n) {
        const std::string path = pdfBase_ + (n == 0 ? std::string() : "-" + std::to_string(n)) + ".pdf";
        const int error = pdfFile_->Commit(path);
        if (error == 0) {
            pdfFiles_.push_back(path);
            return;
        }
        if (error != EEXIST) {
            error_ = "Impossible d'écrire le fichier " + path + " : " + SystemErrorText(error);
            return;
        }
    }
}

void QtPrintDevice::AbortDoc() {
    if (!active_) {
        return;
    }
    active_ = false;
    printer_->abort();
    painter_.end();
    pdfFile_.reset(); // removes the unfinished PDF
}

std::string QtPrintDevice::TakeError() {
    std::string e;
    e.swap(error_);
    return e;
}

} // namespace glanmail::ui
