#include "output/PrintLayout.h"

#include "common/Encoding.h"

#include <cmath>

namespace glanmail {

PrintLayout::~PrintLayout() {
    EndJob();
}

std::string PrintLayout::PrintText(const CurrentMessage& msg, OutputMode mode) {
    std::string text;
    if (StartsOutput(mode)) {
        text = msg.SubjectLine + msg.DateSenderLines + msg.MsgText;
    } else {
        text = "\r\n" + std::string(kSeparatorDashes, '\x97') + "\r\n" + msg.DateSenderLines + msg.MsgText;
    }
    return encoding::CollapseCrCrLf(text);
}

void PrintLayout::PrintMessage(const CurrentMessage& msg, OutputMode mode) {
    if (!StartsOutput(mode) && !jobOpen_) {
        mode = OutputMode::Single; // the group's job never started: print this one on its own
    }
    if (StartsOutput(mode)) {
        EndJob();
        jobOpen_ = true;
        pageLines_ = 0;
        PageHeader();
    } else if (pageLines_ > kNewPageAbove) {
        pageLines_ = 0;
        device_.NewPage();
        PageHeader();
    }
    // Rounded half to even, the default rounding mode.
    printWidth_ = static_cast<long>(std::nearbyint(device_.ScaleWidth() * 0.9));

    const std::string text = PrintText(msg, mode);
    const std::string_view view(text);
    std::size_t pos = 0;
    for (;;) {
        const std::size_t q = view.find("\r\n", pos);
        if (q == std::string_view::npos) {
            break;
        }
        PrintLine(view.substr(pos, q - pos));
        pos = q + 2;
    }
    if (pos < view.size()) {
        PrintLine(view.substr(pos));
    }
    if (EndsOutput(mode)) {
        EndJob();
    }
}

void PrintLayout::EndJob() {
    if (jobOpen_) {
        jobOpen_ = false;
        device_.EndDoc();
    }
}

void PrintLayout::AbandonJob() {
    if (jobOpen_) {
        jobOpen_ = false;
        device_.AbortDoc();
    }
}

void PrintLayout::PageHeader() {
    device_.PrintLine("");
    device_.PrintLine(std::string(kHeaderSpaces, ' ') + std::to_string(device_.Page()));
    device_.PrintLine("");
}

void PrintLayout::NextPrintLine() {
    if (pageLines_ >= kLinesPerPage - 1) {
        device_.NewPage();
        PageHeader();
        pageLines_ = 0;
    } else {
        ++pageLines_;
    }
}

void PrintLayout::PrintIndented(std::string_view piece) {
    lineBuffer_.assign(kIndent, ' ');
    lineBuffer_.append(piece);
    device_.PrintLine(lineBuffer_);
    NextPrintLine();
}

long PrintLayout::RoundedWidth(std::string_view piece) {
    return static_cast<long>(std::nearbyint(device_.TextWidth(piece)));
}

// The first position b after a whose piece a..b is wider than the print width, or the
// line's length when the rest fits. Widths grow with the piece, so the search gallops
// forward and then halves the last step: a few measurements per piece instead of one per
// character, which keeps very long unbroken lines (a base64 block) linear.
std::size_t PrintLayout::FirstOverflow(std::string_view line, std::size_t a) {
    const std::size_t n = line.size();
    const auto fits = [&](std::size_t b) { return RoundedWidth(line.substr(a, b - a + 1)) <= printWidth_; };
    std::size_t lo = a; // the piece a..lo is known to fit (a alone is never measured)
    std::size_t hi = 0; // the piece a..hi is known not to fit
    for (std::size_t step = 1;; step *= 2) {
        if (lo >= n - 1) {
            return n;
        }
        const std::size_t b = std::min(lo + step, n - 1);
        if (!fits(b)) {
            hi = b;
            break;
        }
        lo = b;
    }
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (fits(mid)) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi;
}

void PrintLayout::PrintLine(std::string_view line) {
    if (line.empty()) {
        device_.PrintLine("");
        NextPrintLine();
        return;
    }
    if (device_.TextWidth(line) <= static_cast<double>(printWidth_)) {
        PrintIndented(line);
        return;
    }
    const std::size_t n = line.size();
    std::size_t a = 0;
    while (a < n) {
        const std::size_t b = FirstOverflow(line, a);
        if (b == n) {
            PrintIndented(line.substr(a));
            return;
        }
        const std::size_t space = line.substr(a, b - a + 1).rfind(' ');
        if (space != std::string_view::npos) {
            PrintIndented(line.substr(a, space)); // the space itself is dropped
            a += space + 1;
        } else {
            PrintIndented(line.substr(a, b - a)); // a word that never fits: cut, nothing lost
            a = b;
        }
    }
}

} // namespace glanmail
