#pragma once
// Test helpers: processed messages and a print device with known widths (files: support/Files.h).

#include "content/MsgProcessing.h"
#include "output/PrintDevice.h"
#include "support/Files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace glanmail::testing {

// A message as processing leaves it: subject line, date and sender lines, body (Windows-1252).
inline CurrentMessage Message(const std::string& subject, const std::string& body, const std::string& sender = "Paul") {
    CurrentMessage m;
    m.SubjectLine = "Objet : " + subject + "\r\n";
    m.DateSenderLines = "Date : lundi 15 mars 2004 14:25\r\nExp\351diteur : " + sender + "\r\n\r\n";
    m.MsgText = body;
    return m;
}

// "ligne 1" CR LF ... "ligne n".
inline std::string Lines(int n, const std::string& word = "ligne") {
    std::string s;
    for (int i = 1; i <= n; ++i) {
        s += (i > 1 ? "\r\n" : "") + word + " " + std::to_string(i);
    }
    return s;
}

inline std::string Repeat(const std::string& s, int n) {
    return n > 0 ? s + Repeat(s, n - 1) : std::string();
}

// Every character is one unit wide, except '~', half a unit.
struct FakePrintDevice : PrintDevice {
    using Sheet = std::vector<std::string>;
    double scaleWidth = 100;
    std::vector<std::vector<Sheet>> jobs; // every job's pages, the current job last
    std::string error;                    // handed out once by TakeError
    bool jobOpen = false;

    double ScaleWidth() override { return scaleWidth; }
    double TextWidth(std::string_view s) override {
        return static_cast<double>(s.size()) - 0.5 * static_cast<double>(std::count(s.begin(), s.end(), '~'));
    }
    void PrintLine(std::string_view s) override {
        if (!std::exchange(jobOpen, true)) {
            jobs.push_back({Sheet{}});
        }
        jobs.back().back().emplace_back(s);
    }
    void NewPage() override { jobs.back().push_back(Sheet{}); }
    void EndDoc() override { jobOpen = false; }
    void AbortDoc() override {
        if (std::exchange(jobOpen, false)) {
            jobs.pop_back();
        }
    }
    int Page() const override { return jobOpen ? static_cast<int>(jobs.back().size()) : 1; }
    std::string TakeError() override { return std::exchange(error, {}); }
};

} // namespace glanmail::testing
