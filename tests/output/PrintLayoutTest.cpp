#include "output/PrintLayout.h"

#include "FakePrintDevice.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FakePrintDevice;

const std::string kIndent(11, ' ');

CurrentMessage Message(const std::vector<std::string>& bodyLines, const std::string& subject = "Test") {
    CurrentMessage m;
    m.SubjectLine = "Objet : " + subject + "\r\n";
    m.DateSenderLines = "Date : lundi 15 mars 2004 14:25\r\nExp\xE9"
                        "diteur : Paul\r\n\r\n";
    for (std::size_t i = 0; i < bodyLines.size(); ++i) {
        m.MsgText += (i ? "\r\n" : "") + bodyLines[i];
    }
    return m;
}

std::vector<std::string> Numbered(int n) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) {
        lines.push_back("ligne " + std::to_string(i));
    }
    return lines;
}

std::vector<std::string> Header(int page) {
    return {"", std::string(170, ' ') + std::to_string(page), ""};
}

// The text lines of a page, below its header (which is checked).
std::vector<std::string> Body(const FakePrintDevice::Sheet& page, int number) {
    EXPECT_GE(page.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(page.begin(), page.begin() + 3), Header(number));
    return std::vector<std::string>(page.begin() + 3, page.end());
}

TEST(PrintLayoutTest, ShortMessageOnOnePageWithHeaderAndIndent) {
    FakePrintDevice device;
    PrintLayout layout(device);
    layout.PrintMessage(Message(Numbered(10)), OutputMode::Single);

    ASSERT_EQ(device.jobs.size(), 1u);
    ASSERT_EQ(device.jobs[0].size(), 1u);
    EXPECT_FALSE(device.jobOpen);
    const auto body = Body(device.jobs[0][0], 1);
    ASSERT_EQ(body.size(), 14u);
    EXPECT_EQ(body[0], kIndent + "Objet : Test");
    EXPECT_EQ(body[1], kIndent + "Date : lundi 15 mars 2004 14:25");
    EXPECT_EQ(body[2], kIndent + "Exp\xE9"
                                 "diteur : Paul");
    EXPECT_EQ(body[3], ""); // empty lines carry no indent
    EXPECT_EQ(body[4], kIndent + "ligne 1");
    EXPECT_EQ(body[13], kIndent + "ligne 10");
    EXPECT_EQ(layout.PageLines(), 14);
}

TEST(PrintLayoutTest, PagesHoldSixtyThreeLines) {
    {
        // 200 lines of print text: 63 + 63 + 63 + 11.
        FakePrintDevice device;
        PrintLayout layout(device);
        layout.PrintMessage(Message(Numbered(196)), OutputMode::Single);
        ASSERT_EQ(device.jobs.size(), 1u);
        const auto& job = device.jobs[0];
        ASSERT_EQ(job.size(), 4u);
        EXPECT_EQ(Body(job[0], 1).size(), 63u);
        EXPECT_EQ(Body(job[1], 2).size(), 63u);
        EXPECT_EQ(Body(job[2], 3).size(), 63u);
        const auto last = Body(job[3], 4);
        ASSERT_EQ(last.size(), 11u);
        EXPECT_EQ(Body(job[1], 2)[0], kIndent + "ligne 60");
        EXPECT_EQ(last.back(), kIndent + "ligne 196");
    }
    {
        // Exactly 63 lines: the second page begins at once and carries only its header.
        FakePrintDevice device;
        PrintLayout layout(device);
        layout.PrintMessage(Message(Numbered(59)), OutputMode::Single);
        const auto& job = device.jobs.at(0);
        ASSERT_EQ(job.size(), 2u);
        EXPECT_EQ(Body(job[0], 1).size(), 63u);
        EXPECT_TRUE(Body(job[1], 2).empty());
    }
    {
        // Page numbers start again at 1 in the next job.
        FakePrintDevice device;
        PrintLayout layout(device);
        layout.PrintMessage(Message(Numbered(100)), OutputMode::Single);
        layout.PrintMessage(Message(Numbered(1)), OutputMode::Single);
        ASSERT_EQ(device.jobs.size(), 2u);
        EXPECT_EQ(Body(device.jobs[1][0], 1).size(), 5u);
    }
}

TEST(PrintLayoutTest, WrapsAtTheLastSpaceThatFits) {
    FakePrintDevice device(100); // print width 90
    PrintLayout layout(device);
    const std::string words = std::string(86, 'a') + " bbbb cc " + std::string(10, 'd');
    layout.PrintMessage(Message({words}), OutputMode::Single);
    EXPECT_EQ(layout.PrintWidth(), 90);
    const auto body = Body(device.jobs.at(0).at(0), 1);
    ASSERT_EQ(body.size(), 6u);
    EXPECT_EQ(body[4], kIndent + std::string(86, 'a')); // "bbbb" would pass 90: the space is dropped
    EXPECT_EQ(body[5], kIndent + "bbbb cc " + std::string(10, 'd'));
}

TEST(PrintLayoutTest, LongWordsAreCutWithoutLosingACharacter) {
    std::string address = "http://www.example.com/";
    for (int i = 0; address.size() < 200; ++i) {
        address += static_cast<char>('a' + i % 26);
    }
    FakePrintDevice device(100);
    PrintLayout layout(device);
    layout.PrintMessage(Message({"Voir " + address}), OutputMode::Single);
    const auto body = Body(device.jobs.at(0).at(0), 1);
    ASSERT_EQ(body.size(), 8u);
    EXPECT_EQ(body[4], kIndent + "Voir");
    EXPECT_EQ(body[5], kIndent + address.substr(0, 90));
    EXPECT_EQ(body[6], kIndent + address.substr(90, 90));
    EXPECT_EQ(body[7], kIndent + address.substr(180));
}

TEST(PrintLayoutTest, WidthsAreRoundedHalfToEven) {
    FakePrintDevice device(105); // 94.5 gives 94
    PrintLayout layout(device);
    layout.PrintMessage(Message({"x"}), OutputMode::Single);
    EXPECT_EQ(layout.PrintWidth(), 94);

    // Pieces are rounded before the comparison: 0.5-wide characters, 189 of them round to
    // 94 (fits, half to even), the 190th gives 95.
    FakePrintDevice halves(105);
    halves.widths['h'] = 0.5;
    PrintLayout wrap(halves);
    wrap.PrintMessage(Message({std::string(200, 'h')}), OutputMode::Single);
    const auto body = Body(halves.jobs.at(0).at(0), 1);
    ASSERT_EQ(body.size(), 6u);
    EXPECT_EQ(body[4], kIndent + std::string(189, 'h'));
    EXPECT_EQ(body[5], kIndent + std::string(11, 'h'));
}

TEST(PrintLayoutTest, LineLongerThanThePositionRangeWrapsLikeAnyOther) {
    std::string line;
    for (int i = 0; i < 40000; ++i) {
        line += static_cast<char>('a' + i % 26);
    }
    FakePrintDevice device(100);
    PrintLayout layout(device);
    layout.PrintMessage(Message({line}), OutputMode::Single);
    std::string printed;
    std::size_t lines = 0;
    for (std::size_t p = 0; p < device.jobs.at(0).size(); ++p) {
        const auto body = Body(device.jobs[0][p], static_cast<int>(p + 1));
        for (const std::string& l : body) {
            ++lines;
            if (l.size() > 11 && l.compare(0, 11, kIndent) == 0 && l.find(' ', 11) == std::string::npos &&
                l.find(':') == std::string::npos) {
                printed += l.substr(11);
            }
        }
    }
    EXPECT_EQ(printed, line);
    EXPECT_EQ(lines, 4u + 445u);
    EXPECT_LT(device.measured, 445 * 20); // a few measurements per piece, not one per character
}

// A grouped job: the first message leaves `before` lines on page 1, then a second one.
FakePrintDevice::Job GroupJob(int before) {
    FakePrintDevice device;
    PrintLayout layout(device);
    layout.PrintMessage(Message(Numbered(before - 4)), OutputMode::First);
    EXPECT_EQ(layout.PageLines(), before);
    layout.PrintMessage(Message({"suite"}, "ignored"), OutputMode::Last);
    EXPECT_EQ(device.jobs.size(), 1u);
    EXPECT_FALSE(device.jobOpen);
    return device.jobs.at(0);
}

TEST(PrintLayoutTest, GroupedMessageFollowsOrStartsANewPage) {
    const std::string separator = kIndent + std::string(47, '\x97');
    {
        // 57 + 6 lines fill page 1 exactly; the new page then carries only its header.
        const auto job = GroupJob(57);
        ASSERT_EQ(job.size(), 2u);
        EXPECT_TRUE(Body(job[1], 2).empty());
        const auto body = Body(job[0], 1);
        ASSERT_EQ(body.size(), 57u + 6u);
        EXPECT_EQ(body[57], "");
        EXPECT_EQ(body[58], separator);
        EXPECT_EQ(body[59], kIndent + "Date : lundi 15 mars 2004 14:25");
        EXPECT_EQ(body[62], kIndent + "suite"); // no subject line for the second message
    }
    {
        const auto job = GroupJob(58);
        ASSERT_EQ(job.size(), 2u);
        EXPECT_EQ(Body(job[0], 1).size(), 58u);
        const auto body = Body(job[1], 2);
        ASSERT_EQ(body.size(), 6u);
        EXPECT_EQ(body[0], "");
        EXPECT_EQ(body[1], separator);
        EXPECT_EQ(body[5], kIndent + "suite");
    }
}

TEST(PrintLayoutTest, DecodedLineBreaksPrintAsOne) {
    FakePrintDevice device;
    PrintLayout layout(device);
    CurrentMessage m = Message({});
    m.MsgText = "un\r\r\ndeux";
    layout.PrintMessage(m, OutputMode::Single);
    const auto body = Body(device.jobs.at(0).at(0), 1);
    ASSERT_EQ(body.size(), 6u);
    EXPECT_EQ(body[4], kIndent + "un");
    EXPECT_EQ(body[5], kIndent + "deux");
}

} // namespace
} // namespace glanmail
