// Print jobs into PDF files through Qt, read back with pdftotext.
#include "QtApp.h"
#include "output/OutputTesting.h"
#include "output/PrintLayout.h"
#include "support/Command.h"
#include "ui/QtPrintDevice.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(PdfPrintTest, GroupedJobPrintsToOnePdfWithItsPages) {
    if (std::string(GLANMAIL_PDFTOTEXT).empty() || !std::filesystem::exists(GLANMAIL_PDFTOTEXT)) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    testing::QtApp<QGuiApplication>();
    testing::TempFolder temp;
    const std::string base = temp.Path() + "/impression";
    {
        auto device = ui::QtPrintDevice::ForPdf(base);
        PrintLayout layout(*device);
        // 4 + 54 = 58 lines on page 1: the second message starts page 2. Its last line wraps.
        layout.PrintMessage(testing::Message("R\xE9union", testing::Lines(54, "premier")), OutputMode::First);
        EXPECT_FALSE(std::filesystem::exists(base + ".pdf")); // named only when whole
        const std::string last = "\r\n" + std::string(60, 'x') + " " + std::string(400, 'y');
        layout.PrintMessage(testing::Message("ignored", testing::Lines(3, "second") + last, "Marie"), OutputMode::Last);
        EXPECT_EQ(device->TakeError(), "");
        EXPECT_EQ(device->PdfFiles(), std::vector<std::string>{base + ".pdf"});
        EXPECT_GT(device->ScaleWidth(), 10000); // about 180 mm in twips
    }
    // pdftotext ends each page with a form feed.
    const std::string text = testing::RunCommand(std::string(GLANMAIL_PDFTOTEXT) + " -layout '" + base + ".pdf' -");
    ASSERT_EQ(std::count(text.begin(), text.end(), '\f'), 2);
    const std::string page1 = text.substr(0, text.find('\f')), page2 = text.substr(text.find('\f') + 1);
    for (const char* expected : {"Objet : R\xC3\xA9union", "Exp\303\251diteur : Paul", "premier 54"}) {
        EXPECT_NE(page1.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(page1.find("second"), std::string::npos);
    // The separator on one line, in Unicode as every text; the long word cut without loss.
    EXPECT_NE(page2.find(testing::Repeat("\xE2\x80\x94", 47)), std::string::npos);
    EXPECT_NE(page2.find("Exp\303\251diteur : Marie"), std::string::npos);
    EXPECT_EQ(std::count(page2.begin(), page2.end(), 'y'), 400);
    EXPECT_NE(page2.find("  2\n"), std::string::npos) << page2; // its number, alone on its line

    // A job dropped by a command that was stopped leaves no file behind.
    {
        auto device = ui::QtPrintDevice::ForPdf(temp.Path() + "/arrete");
        PrintLayout layout(*device);
        layout.PrintMessage(testing::Message("Annonce", testing::Lines(3)), OutputMode::First);
        EXPECT_TRUE(device->JobActive());
        layout.AbandonJob();
        EXPECT_TRUE(device->PdfFiles().empty());
        EXPECT_FALSE(device->JobActive());
    }

    // Only the whole job is left: no temporary file, nothing of the dropped one.
    EXPECT_EQ(testing::Entries(temp.Path()), std::vector<std::string>{"impression.pdf"});
}

} // namespace
} // namespace glanmail
