#pragma once
// What printing needs of a printer. The window provides a Qt printer (or a PDF file where
// no printer exists); tests use a device with known widths.

#include <string>
#include <string_view>

namespace glanmail {

class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    // Printable width of a page, in the device's scale units.
    virtual double ScaleWidth() = 0;
    // Printed width of Windows-1252 text in the device's font, in the same units.
    virtual double TextWidth(std::string_view cp1252) = 0;
    // Prints Windows-1252 text on the current line and ends the line. The first output
    // after the end of a document starts a new job on page 1.
    virtual void PrintLine(std::string_view cp1252) = 0;
    virtual void NewPage() = 0;
    // Ends the document: the job goes to the printer.
    virtual void EndDoc() = 0;
    // Drops the document under way (the command was stopped): nothing of it is kept where the
    // device can take it back (a PDF file is removed). A device that cannot ends it.
    virtual void AbortDoc() { EndDoc(); }
    // Page number of the current job (1 for its first page).
    virtual int Page() const = 0;

    // A description of the first failure of the device since the last call, or "" when
    // all went well. Printing checks it after each message.
    virtual std::string TakeError() { return {}; }
};

} // namespace glanmail
