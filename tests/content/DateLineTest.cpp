#include "content/DateLine.h"

#include "support/FakePrompter.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FakePrompter;

// The hour of the receipt time, moved by one hour at most, takes the header's minutes and seconds.
TEST(DateLine, AdjustDateOE) {
    const char* const rows[][3] = {
        {"14/04/2002 09:58:30", "57:10", "14/04/2002 09:57:10"}, // same hour is closest
        {"14/04/2002 10:02:00", "58:30", "14/04/2002 09:58:30"}, // an hour back
        {"31/12/2007 23:59:00", "01:00", "01/01/2008 00:01:00"}, // forward, over the year end
        {"01/03/2008 00:10:00", "50:00", "29/02/2008 23:50:00"}, // back, over a leap month end
        {"14/04/2002 10:30:00", "00:00", "14/04/2002 10:00:00"}, // a tie keeps the candidate
    };
    FakePrompter prompter;
    for (const auto& row : rows) {
        EXPECT_EQ(AdjustDateOE(row[0], row[1], prompter), row[2]) << row[0];
    }
    EXPECT_TRUE(prompter.shown.empty());
    // Minutes that make no date: reported, and the receipt time answered.
    for (const char* minSec : {"5 :00", "61:00", "", "ab:cd", "12:3"}) {
        EXPECT_EQ(AdjustDateOE("14/04/2002 10:30:00", minSec, prompter), "14/04/2002 10:30:00") << minSec;
        EXPECT_EQ(prompter.shown.size() == 1 ? prompter.shown.back().title : "", "AdjustDateOE") << minSec;
        prompter.shown.clear();
    }
}

TEST(DateLine, DateOE) {
    const std::string received = "Received: from relay by mx; Tue, 14 Mar 2006 08:15:45 +0100\r\n"
                                 "Received: from pc by relay; Tue, 14 Mar 2006 08:12:41 +0100\r\nFrom: g\r\n";
    const std::string rows[][3] = {
        {"X: a\r\nDATE: Sun, 14 Apr 2002 08:57:10 +0000\r\nS: x\r\n", "14/04/2002 09:58:30",
         "dimanche 14 avril 2002 09:57"}, // zone an hour off: the receipt's hour; the name in any case
        {"X: a\r\nDate: Mon, 3 Mar 2003 14:05 +0100\r\n", "03/03/2003 14:06:00", "lundi 3 mars 2003 14:05"},
        // No Date header: the lowest Received line.
        {"X: y\r\n" + received, "14/03/2006 08:13:02", "mardi 14 mars 2006 08:12"},
        // A Date header on the very first line is not found; neither header: the list date.
        {"Date: Tue, 14 Mar 2006 08:47:00 +0100\r\nFrom: g\r\n", "01/02/2003 23:05:00",
         "samedi 1 f\xE9vrier 2003 23:05"},
        {"", "15/08/2004 00:00:59", "dimanche 15 ao\xFBt 2004 00:00"},
    };
    FakePrompter prompter;
    for (const auto& row : rows) {
        EXPECT_EQ(DateOE(row[0], row[1], prompter), "Date : " + row[2] + "\r\n") << row[0];
    }
    ASSERT_TRUE(prompter.shown.empty());
    // A Date header without any time, a receipt time the platform refused, a list date that is no date: reported,
    // and processing goes on.
    EXPECT_EQ(DateOE("X: y\r\nDate: unknown\r\n", "14/03/2006 09:02:33", prompter),
              "Date : mardi 14 mars 2006 09:02\r\n");
    EXPECT_EQ(DateOE("X: y\r\nDate: Tue, 14 Mar 2006 08:47:00 +0100\r\n", "00/00/0000 00:00:00", prompter),
              "Date : 00/00/0000 00:00:00\r\n");
    EXPECT_EQ(DateOE("", "30/02/2007 10:00:00", prompter), "Date : 30/02/2007 10:00:00\r\n");
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].title, "AdjustDateOE");
    EXPECT_EQ(prompter.shown[1].title + prompter.shown[2].title, "DateOEDateOE");
}

} // namespace
} // namespace glanmail
