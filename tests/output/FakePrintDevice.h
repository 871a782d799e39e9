#pragma once
// A print device with known widths: every character is one unit wide unless the table
// says otherwise. It records each job as pages of printed lines.

#include "output/PrintDevice.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace glanmail::testing {

class FakePrintDevice : public PrintDevice {
public:
    using Sheet = std::vector<std::string>;
    using Job = std::vector<Sheet>;

    explicit FakePrintDevice(double scaleWidth = 100) : scaleWidth_(scaleWidth) {}

    std::map<char, double> widths; // characters that are not one unit wide
    std::vector<Job> jobs;         // every job, the current one last
    std::string error;             // handed out once by TakeError
    bool jobOpen = false;
    int measured = 0; // TextWidth calls

    double ScaleWidth() override { return scaleWidth_; }
    double TextWidth(std::string_view s) override {
        ++measured;
        double w = 0;
        for (const char c : s) {
            const auto it = widths.find(c);
            w += it == widths.end() ? 1.0 : it->second;
        }
        return w;
    }
    void PrintLine(std::string_view s) override {
        if (!jobOpen) {
            jobs.push_back(Job{Sheet{}});
            jobOpen = true;
        }
        jobs.back().back().emplace_back(s);
    }
    void NewPage() override { jobs.back().push_back(Sheet{}); }
    void EndDoc() override { jobOpen = false; }
    int Page() const override { return jobOpen ? static_cast<int>(jobs.back().size()) : 1; }
    std::string TakeError() override {
        std::string e;
        e.swap(error);
        return e;
    }

private:
    double scaleWidth_;
};

} // namespace glanmail::testing
