// Laying out 10,000 lines of print text on a device whose characters are each one unit
// wide: short lines, lines that wrap at spaces, and long unbroken words.
#include "output/PrintLayout.h"

#include <benchmark/benchmark.h>
#include <string>

namespace glanmail {
namespace {

class CountingDevice : public PrintDevice {
public:
    std::size_t lines = 0;
    double ScaleWidth() override { return 1000; }
    double TextWidth(std::string_view s) override {
        double w = 0;
        for (const char c : s) {
            w += c == 'm' ? 1.5 : c == 'i' ? 0.5 : 1.0;
        }
        return w * 10;
    }
    void PrintLine(std::string_view) override { ++lines; }
    void NewPage() override {}
    void EndDoc() override {}
    int Page() const override { return 1; }
};

CurrentMessage TenThousandLines() {
    CurrentMessage m;
    m.SubjectLine = "Objet : Essai\r\n";
    m.DateSenderLines = "Date : lundi 15 mars 2004 14:25\r\nExp\xE9"
                        "diteur : Paul\r\n\r\n";
    const std::string words = "Le petit chat boit du lait dans la cuisine mais il mange aussi ";
    for (int i = 0; i < 9996; ++i) {
        if (i > 0) {
            m.MsgText += "\r\n";
        }
        switch (i % 4) {
        case 0:
            m.MsgText += "Ligne courte " + std::to_string(i);
            break;
        case 1:
            m.MsgText += words + words + words; // wraps twice
            break;
        case 2:
            m.MsgText += "http://www.example.com/" + std::string(300, 'x'); // cut three times
            break;
        default:
            break; // an empty line
        }
    }
    return m;
}

void BM_PrintTenThousandLines(benchmark::State& state) {
    const CurrentMessage message = TenThousandLines();
    for (auto _ : state) {
        CountingDevice device;
        PrintLayout layout(device);
        layout.PrintMessage(message, OutputMode::Single);
        benchmark::DoNotOptimize(device.lines);
    }
}
BENCHMARK(BM_PrintTenThousandLines)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace glanmail

BENCHMARK_MAIN();
