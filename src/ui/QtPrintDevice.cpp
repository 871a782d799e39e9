#include "ui/QtPrintDevice.h"

#include "common/Encoding.h"
#include "output/FileRoutines.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>
#include <QString>
#include <algorithm>
#include <cstdio>

namespace glanmail::ui {
namespace {

QString ToQString(std::string_view cp1252) {
    return QString::fromStdString(encoding::ToUtf8(cp1252));
}

// The first of base.pdf, base-1.pdf, ... that holds no data yet.
std::string FreePdfName(const std::string& base) {
    std::string path = base + ".pdf";
    for (int n = 1; FileExists(path); ++n) {
        path = base + "-" + std::to_string(n) + ".pdf";
    }
    return path;
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
    if (active_) {
        painter_.end();
    }
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
    if (PrintsToPdf()) {
        const std::string path = FreePdfName(pdfBase_);
        printer_->setOutputFileName(QString::fromStdString(path));
        pdfFiles_.push_back(path);
    }
    if (!painter_.begin(printer_.get())) {
        error_ = PrintsToPdf() ? "Impossible d'écrire le fichier " + pdfFiles_.back() : "L'imprimante ne répond pas.";
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
}

void QtPrintDevice::AbortDoc() {
    if (!active_) {
        return;
    }
    active_ = false;
    printer_->abort();
    painter_.end();
    if (PrintsToPdf() && !pdfFiles_.empty()) {
        std::remove(pdfFiles_.back().c_str());
        pdfFiles_.pop_back();
    }
}

std::string QtPrintDevice::TakeError() {
    std::string e;
    e.swap(error_);
    return e;
}

} // namespace glanmail::ui
