#include "output/PrintLayout.h"
#include "ui/QtPrintDevice.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace glanmail {
namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static QGuiApplication app(argc, argv);
    }
}

std::string PdfText(const std::string& pdf) {
    const std::string command = std::string(GLANMAIL_PDFTOTEXT) + " -layout '" + pdf + "' -";
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
            out.append(buf, n);
        }
        ::pclose(p);
    }
    return out;
}

CurrentMessage Message(const std::string& subject, const std::string& sender, int lines, const std::string& word) {
    CurrentMessage m;
    m.SubjectLine = "Objet : " + subject + "\r\n";
    m.DateSenderLines = "Date : lundi 15 mars 2004 14:25\r\nExp\xE9"
                        "diteur : " +
                        sender + "\r\n\r\n";
    for (int i = 1; i <= lines; ++i) {
        m.MsgText += (i > 1 ? "\r\n" : "") + word + " " + std::to_string(i);
    }
    return m;
}

TEST(PdfPrintTest, GroupedJobPrintsToOnePdfWithItsPages) {
    if (std::string(GLANMAIL_PDFTOTEXT).empty() || !std::filesystem::exists(GLANMAIL_PDFTOTEXT)) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    EnsureApplication();
    const auto folder = std::filesystem::temp_directory_path() / ("glanmail-pdf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string base = (folder / "impression").string();
    {
        auto device = ui::QtPrintDevice::ForPdf(base);
        PrintLayout layout(*device);
        // 4 + 54 = 58 lines on page 1: the second message starts page 2.
        layout.PrintMessage(Message("R\xE9union", "Paul", 54, "premier"), OutputMode::First);
        CurrentMessage second = Message("ignored", "Marie", 3, "second");
        second.MsgText += "\r\n" + std::string(60, 'x') + " " + std::string(400, 'y'); // wraps over several lines
        layout.PrintMessage(second, OutputMode::Last);
        EXPECT_EQ(device->TakeError(), "");
        ASSERT_EQ(device->PdfFiles().size(), 1u);
        EXPECT_EQ(device->PdfFiles()[0], base + ".pdf");
        EXPECT_GT(device->ScaleWidth(), 10000); // about 180 mm in twips
    }
    const std::string text = PdfText(base + ".pdf");
    std::filesystem::remove_all(folder);

    // pdftotext ends each page with a form feed.
    std::size_t pages = 0;
    for (const char c : text) {
        pages += c == '\f';
    }
    EXPECT_EQ(pages, 2u);
    const std::size_t pageBreak = text.find('\f');
    const std::string page1 = text.substr(0, pageBreak);
    const std::string page2 = text.substr(pageBreak + 1);
    EXPECT_NE(page1.find("Objet : R\xC3\xA9union"), std::string::npos);
    EXPECT_NE(page1.find("Exp\xC3\xA9"
                         "diteur : Paul"),
              std::string::npos);
    EXPECT_NE(page1.find("premier 54"), std::string::npos);
    EXPECT_EQ(page1.find("second"), std::string::npos);
    std::string separator;
    for (int i = 0; i < 47; ++i) {
        separator += "\xE2\x80\x94";
    }
    EXPECT_NE(page2.find(separator), std::string::npos); // the separator, on one line
    EXPECT_NE(page2.find("Exp\xC3\xA9"
                         "diteur : Marie"),
              std::string::npos);
    EXPECT_EQ(page2.find("Objet"), std::string::npos); // one subject line per job
    EXPECT_NE(page2.find("second 3"), std::string::npos);
    EXPECT_NE(page2.find(" 2\n"), std::string::npos); // the page number
    // The long word is cut over lines without losing a character.
    std::size_t ys = 0;
    for (const char c : page2) {
        ys += c == 'y';
    }
    EXPECT_EQ(ys, 400u);
}

} // namespace
} // namespace glanmail
