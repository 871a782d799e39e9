#pragma once
// The print device of the window: a QPrinter with Arial 10 (fontconfig's metric-compatible
// Liberation Sans), on the system's default printer, or into PDF files where there is no
// printer or when asked. Widths are in twips (1440 to the inch).

#include "common/OutputFile.h"
#include "output/PrintDevice.h"

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>
#include <vector>

namespace glanmail::ui {

class QtPrintDevice : public PrintDevice {
public:
    // Prints on the default printer; with none, each job goes to a PDF file named after
    // pdfBase (see ForPdf).
    static std::unique_ptr<QtPrintDevice> ForDefaultPrinter(const std::string& pdfBase);
    // Each job goes to a PDF file: pdfBase + ".pdf", or pdfBase + "-1.pdf", "-2.pdf"... when
    // that name holds a file already; no file is written over. A PDF is whole or absent: it is
    // written under a temporary name and named when its job ends.
    static std::unique_ptr<QtPrintDevice> ForPdf(const std::string& pdfBase);
    // Prints on the named printer (the default one when the name is empty); with no printer
    // at all, as ForPdf.
    static std::unique_ptr<QtPrintDevice> ForPrinter(const std::string& printerName, const std::string& pdfBase);

    ~QtPrintDevice() override;
    QtPrintDevice(const QtPrintDevice&) = delete;
    QtPrintDevice& operator=(const QtPrintDevice&) = delete;

    double ScaleWidth() override;
    double TextWidth(std::string_view cp1252) override;
    void PrintLine(std::string_view cp1252) override;
    void NewPage() override;
    void EndDoc() override;
    // A PDF job is removed; a printer job is cancelled where the print system allows it.
    void AbortDoc() override;
    int Page() const override { return active_ ? page_ : 1; }
    std::string TakeError() override;

    bool PrintsToPdf() const { return !pdfBase_.empty(); }
    // The name the next PDF job takes (see ForPdf); the job under way keeps its file.
    void SetPdfBase(const std::string& pdfBase) {
        if (PrintsToPdf() && !pdfBase.empty()) {
            pdfBase_ = pdfBase;
        }
    }
    bool JobActive() const { return active_; }
    // The PDF files written so far, in job order.
    const std::vector<std::string>& PdfFiles() const { return pdfFiles_; }

private:
    static constexpr int kLinesPerSheet = 66; // 63 text lines and the 3 lines of the page header

    explicit QtPrintDevice(std::string pdfBase);
    bool BeginJob();
    void NamePdf();
    double Twips(double pixels) const;

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    QFont font_;
    std::string pdfBase_;
    std::vector<std::string> pdfFiles_;
    std::unique_ptr<OutputFile> pdfFile_; // the PDF job under way, under its temporary name
    std::string error_;
    bool active_ = false;
    int page_ = 1;
    double y_ = 0;
    double lineStep_ = 0;
    double ascent_ = 0;
};

} // namespace glanmail::ui
