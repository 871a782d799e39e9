// The long French date of the "Date : " line: every month and day name, and the calendar's
// leap years.
#include "content/DateLine.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(LongFrenchDate, EveryMonthAndDayNameAndTheLeapYears) {
    // The 15th of each month of 2007 falls on every day of the week. Windows-1252 text.
    const char* const rows[][2] = {
        {"15/01/2007 08:00:00", "lundi 15 janvier 2007 08:00"},
        {"15/02/2007 08:00:00", "jeudi 15 f\xE9vrier 2007 08:00"},
        {"15/03/2007 08:00:00", "jeudi 15 mars 2007 08:00"},
        {"15/04/2007 08:00:00", "dimanche 15 avril 2007 08:00"},
        {"15/05/2007 08:00:00", "mardi 15 mai 2007 08:00"},
        {"15/06/2007 08:00:00", "vendredi 15 juin 2007 08:00"},
        {"15/07/2007 08:00:00", "dimanche 15 juillet 2007 08:00"},
        {"15/08/2007 08:00:00", "mercredi 15 ao\xFBt 2007 08:00"},
        {"15/09/2007 08:00:00", "samedi 15 septembre 2007 08:00"},
        {"15/10/2007 08:00:00", "lundi 15 octobre 2007 08:00"},
        {"15/11/2007 08:00:00", "jeudi 15 novembre 2007 08:00"},
        {"15/12/2007 23:59:59", "samedi 15 d\xE9"
                                "cembre 2007 23:59"},
        {"05/01/2007 09:05:00", "vendredi 5 janvier 2007 09:05"}, // the day without a leading zero
        // Leap years: every fourth year, but not the hundredth unless it is also the four-hundredth.
        {"29/02/2000 12:00:00", "mardi 29 f\xE9vrier 2000 12:00"},
        {"29/02/2004 12:00:00", "dimanche 29 f\xE9vrier 2004 12:00"},
        {"29/02/1900 12:00:00", "29/02/1900 12:00:00"}, // not a date: the text as it stands
        {"29/02/2100 12:00:00", "29/02/2100 12:00:00"},
        {"29/02/2001 12:00:00", "29/02/2001 12:00:00"},
        {"28/02/2100 12:00:00", "dimanche 28 f\xE9vrier 2100 12:00"},
        {"01/03/2100 12:00:00", "lundi 1 mars 2100 12:00"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LongFrenchDate(row[0]), row[1]) << row[0];
    }
}

} // namespace
} // namespace glanmail
