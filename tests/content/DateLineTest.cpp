#include "content/DateLine.h"

#include "support/FakePrompter.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FakePrompter;

TEST(LongFrenchDate, NamesDayWithoutLeadingZeroAndTwentyFourHourClock) {
    struct Row {
        const char* dateText;
        const char* expected;
    };
    const Row rows[] = {
        {"14/04/2002 02:27:57", "dimanche 14 avril 2002 02:27"},
        {"01/02/2003 23:05:00", "samedi 1 f\xE9vrier 2003 23:05"},
        {"15/08/2004 00:00:59", "dimanche 15 ao\xFBt 2004 00:00"},
        {"25/12/2006 13:45:10", "lundi 25 d\xE9"
                                "cembre 2006 13:45"},
        {"29/02/2008 08:00:00", "vendredi 29 f\xE9vrier 2008 08:00"},
        {"01/01/1601 01:00:00", "lundi 1 janvier 1601 01:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(LongFrenchDate(row.dateText), row.expected) << row.dateText;
    }
    // Texts that are no date stand as they are.
    EXPECT_EQ(LongFrenchDate("00/00/0000 00:00:00"), "00/00/0000 00:00:00");
    EXPECT_EQ(LongFrenchDate("30/02/2007 10:00:00"), "30/02/2007 10:00:00");
}

TEST(AdjustDateOE, MovesTheHourByOneTowardsTheReceiptTime) {
    struct Row {
        const char* received;
        const char* minSec;
        const char* expected;
    };
    const Row rows[] = {
        {"14/04/2002 09:58:30", "57:10", "14/04/2002 09:57:10"}, // same hour is closest
        {"14/04/2002 10:02:00", "58:30", "14/04/2002 09:58:30"}, // an hour back
        {"31/12/2007 23:59:00", "01:00", "01/01/2008 00:01:00"}, // forward, over the year end
        {"01/03/2008 00:10:00", "50:00", "29/02/2008 23:50:00"}, // back, over a leap month end
        {"14/04/2002 10:30:00", "00:00", "14/04/2002 10:00:00"}, // a tie keeps the candidate
    };
    for (const Row& row : rows) {
        FakePrompter prompter;
        EXPECT_EQ(AdjustDateOE(row.received, row.minSec, prompter), row.expected) << row.received;
        EXPECT_TRUE(prompter.shown.empty());
    }
}

TEST(AdjustDateOE, ReportsMinutesThatMakeNoDateAndAnswersTheReceiptTime) {
    for (const char* minSec : {"5 :00", "61:00", "", "ab:cd", "12:3"}) {
        FakePrompter prompter;
        EXPECT_EQ(AdjustDateOE("14/04/2002 10:30:00", minSec, prompter), "14/04/2002 10:30:00") << minSec;
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].title, "AdjustDateOE");
        EXPECT_FALSE(prompter.shown[0].text.empty());
    }
}

TEST(DateOE, TakesMinutesFromTheDateHeader) {
    struct Row {
        const char* headers;
        const char* received;
        const char* expected;
    };
    const Row rows[] = {
        // Zone one hour behind local time: the receipt's hour wins.
        {"From: a\r\nDate: Sun, 14 Apr 2002 08:57:10 +0000\r\nSubject: x\r\n", "14/04/2002 09:58:30",
         "Date : dimanche 14 avril 2002 09:57\r\n"},
        // No seconds: minutes 05, seconds 00.
        {"From: a\r\nDate: Mon, 3 Mar 2003 14:05 +0100\r\n", "03/03/2003 14:06:00",
         "Date : lundi 3 mars 2003 14:05\r\n"},
        // Zone written with a colon: its colon is the last of the line, so minutes 00.
        {"From: a\r\nDate: Mon, 7 Jan 2008 09:30:00 +01:00\r\n", "07/01/2008 09:21:12",
         "Date : lundi 7 janvier 2008 09:00\r\n"},
        // Header letters in any case.
        {"From: a\r\nDATE: Mon, 7 Jan 2008 09:30:00 +0100\r\n", "07/01/2008 09:31:12",
         "Date : lundi 7 janvier 2008 09:30\r\n"},
    };
    for (const Row& row : rows) {
        FakePrompter prompter;
        EXPECT_EQ(DateOE(row.headers, row.received, prompter), row.expected) << row.headers;
        EXPECT_TRUE(prompter.shown.empty());
    }
}

TEST(DateOE, FallsBackOnTheLowestReceivedLineThenOnTheListDate) {
    const char* received = "Received: from relay.free.fr by mx.free.fr; Tue, 14 Mar 2006 08:12:45 +0100\r\n"
                           "Received: from pc-gilles by relay.free.fr; Tue, 14 Mar 2006 08:12:41 +0100\r\n"
                           "From: g\r\n";
    FakePrompter prompter;
    // The lowest Received line gives 12:41; the first is not read.
    EXPECT_EQ(DateOE(std::string("X: y\r\n") + received, "14/03/2006 08:13:02", prompter),
              "Date : mardi 14 mars 2006 08:12\r\n");
    // A Received line without seconds.
    EXPECT_EQ(DateOE("X: y\r\nReceived: by host; 14 Mar 2006 08:47 +0100\r\n", "14/03/2006 09:02:00", prompter),
              "Date : mardi 14 mars 2006 08:47\r\n");
    // A Date header on the very first line is not found; neither header: the list date.
    EXPECT_EQ(DateOE("Date: Tue, 14 Mar 2006 08:47:00 +0100\r\nFrom: g\r\n", "14/03/2006 09:02:33", prompter),
              "Date : mardi 14 mars 2006 09:02\r\n");
    EXPECT_EQ(DateOE("", "14/03/2006 09:02:33", prompter), "Date : mardi 14 mars 2006 09:02\r\n");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(DateOE, ReportsAndGoesOnWhenNoDateCanBeMade) {
    FakePrompter prompter;
    // A Date header without any time: the minutes come out as no number.
    EXPECT_EQ(DateOE("X: y\r\nDate: unknown\r\n", "14/03/2006 09:02:33", prompter),
              "Date : mardi 14 mars 2006 09:02\r\n");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "AdjustDateOE");

    // A receipt time the platform refused.
    prompter.shown.clear();
    EXPECT_EQ(DateOE("X: y\r\nDate: Tue, 14 Mar 2006 08:47:00 +0100\r\n", "00/00/0000 00:00:00", prompter),
              "Date : 00/00/0000 00:00:00\r\n");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "DateOE");
}

} // namespace
} // namespace glanmail
