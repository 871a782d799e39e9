#pragma once
// Printing side of the end of reading a message: the text of the message laid out line by
// line on a print device, indented, word-wrapped to 90% of the printable width, 63 lines
// to a page under a small page header. A conversation group is one print job.

#include "content/MsgProcessing.h"
#include "output/OutputMode.h"
#include "output/PrintDevice.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace glanmail {

class PrintLayout {
public:
    static constexpr int kLinesPerPage = 63;
    static constexpr int kNewPageAbove = 57; // a grouped message starts a new page above this
    static constexpr std::size_t kIndent = 11;
    static constexpr std::size_t kHeaderSpaces = 170;
    static constexpr std::size_t kSeparatorDashes = 47;

    explicit PrintLayout(PrintDevice& device) : device_(device) {}
    ~PrintLayout();
    PrintLayout(const PrintLayout&) = delete;
    PrintLayout& operator=(const PrintLayout&) = delete;

    // Prints one processed message at its place in the job: Single and First start a job,
    // Middle and Last follow on after a separator, Single and Last end the job.
    void PrintMessage(const CurrentMessage& msg, OutputMode mode);

    // The assembled print text of a message (Windows-1252, one CR LF per line break).
    static std::string PrintText(const CurrentMessage& msg, OutputMode mode);

    // One line of the print text (without its CR LF), wrapped as needed.
    void PrintLine(std::string_view line);
    // Counts a printed line; starts a new page once a page holds 63 lines.
    void NextPrintLine();
    void PageHeader();

    // Ends a job left open (a group whose last message was never read).
    void EndJob();
    // Drops a job left open by a command that was stopped.
    void AbandonJob();
    bool JobOpen() const { return jobOpen_; }
    int PageLines() const { return pageLines_; }
    long PrintWidth() const { return printWidth_; }

private:
    void PrintIndented(std::string_view piece);
    long RoundedWidth(std::string_view piece);
    std::size_t FirstOverflow(std::string_view line, std::size_t a);

    PrintDevice& device_;
    int pageLines_ = 0;
    long printWidth_ = 0;
    bool jobOpen_ = false;
    std::string lineBuffer_;
};

} // namespace glanmail
