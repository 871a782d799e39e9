#include "WindowTestSupport.h"
#include "common/OutputFile.h"
#include "support/Command.h"

#include <QPrinterInfo>
#include <cstdio>
#include <filesystem>
#include <map>

namespace glanmail {
namespace {

using testing::WindowFixture;

// Every file under folder, by its path relative to it, with its bytes.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) {
            files[std::filesystem::relative(e.path(), folder).string()] = testing::ReadFile(e.path().string());
        }
    }
    return files;
}

using testing::RunCommand;

TEST_F(WindowFixture, ABatchSaveWritesWhatTheCommandLineWrites) {
    const std::string cli = std::string(GLANMAIL_BINARY_DIR) + "/src/cli/glanmail-cli";
    for (const auto& [button, option] : {std::pair("cmdAllTxt", "--txt"), {"cmdAllNws", "--eml"}}) {
        const std::string mine = temp.Path() + "/fenetre-" + (option + 2),
                          theirs = temp.Path() + "/cli-" + (option + 2);
        std::filesystem::create_directories(mine);
        w->session().SetStorageFolder(mine);
        OpenSample();
        w->SelectAll();
        Click(button);
        EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
        EXPECT_FALSE(Enabled("cmdDown") || Enabled("cmdUp"));
        RunCommand("'" + cli + "' save '" + testing::kSampleStore + "' " + option + " --storage '" + theirs + "' 2>&1");
        const auto a = Tree(mine), b = Tree(theirs);
        EXPECT_EQ(a.size(), 15u);
        EXPECT_TRUE(a == b) << option;
    }
    // Only the word that the original forms were saved without their attachments.
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{testing::CutWithoutAttachments(
                                    "2 messages enregistrés sans leurs pièces jointes")});
}

TEST_F(WindowFixture, GroupedSaveOfAConversationWritesOneFile) {
    OpenSample();
    int sortie = -1;
    for (int r = 0; r < w->model()->rowCount(); ++r) {
        sortie = Cell(r).startsWith(QString::fromUtf8("Sortie vélo")) ? r : sortie;
    }
    ASSERT_GE(sortie, 0);
    w->mnuGrouping->trigger();
    ClickRow(sortie);
    Click("cmdGrouping");
    Click("cmdAllTxt");
    const auto files = Tree(temp.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, "Exemple/Sortie vélo dimanche.txt");
}

// Conversations of many messages, saved grouped; the window is closed while a conversation's
// file is being written. What stays is whole: each file holds its whole conversation, and the
// one left unfinished is gone with its temporary file.
TEST_F(WindowFixture, ClosingTheWindowDuringAGroupedSaveLeavesOnlyWholeFiles) {
    constexpr int kThreads = 10, kPerThread = 200;
    std::vector<testing::WriterMessage> messages;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            const std::string subject = "Fil " + std::to_string(t), id = "<" + std::to_string(t * 1000 + i) + "@x>";
            testing::WriterMessage m;
            m.raw = "Subject: " + subject + "\r\nMessage-ID: " + id + "\r\n\r\n" + std::string(20000, 'x') +
                    "\r\nFIN " + id;
            m.subject = m.subjectKey = subject;
            m.messageId = id;
            if (i > 0) {
                m.parents = "<" + std::to_string(t * 1000 + i - 1) + "@x>";
            }
            m.received = testing::FiletimeFromUnix(1079357130 + i);
            messages.push_back(m);
        }
    }
    const std::string store = temp.Path() + "/Fils.dbx", folder = temp.Path() + "/Fils";
    testing::WriteFile(store, testing::WriteStore(messages));
    w->OpenPath(store);
    ASSERT_EQ(w->model()->rowCount(), kThreads * kPerThread);
    w->mnuGrouping->trigger();
    w->SelectAll();
    // Closed as soon as one conversation is written and the next one's file is open.
    bool closedMidGroup = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, w.get(), [&] {
        std::size_t named = 0, open = 0;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
            (e.path().filename().string().rfind(kTemporaryPrefix, 0) == 0 ? open : named) += 1;
        }
        if (named >= 1 && open == 1 && !closedMidGroup) {
            closedMidGroup = true;
            w->close();
        }
    });
    watch.start(0);
    Click("cmdAllTxt");
    watch.stop();
    EXPECT_FALSE(w->isVisible());
    ASSERT_TRUE(closedMidGroup) << "the save ended before a conversation's file was open";
    const auto files = Tree(folder);
    EXPECT_GE(files.size(), 1u);
    EXPECT_LT(files.size(), static_cast<std::size_t>(kThreads));
    for (const auto& [name, text] : files) {
        EXPECT_NE(name.rfind(kTemporaryPrefix, 0), 0u) << name;
        const std::string thread = name.substr(4, name.find('.') - 4);
        std::size_t ends = 0;
        for (std::size_t at = text.find("\r\nFIN <"); at != std::string::npos; at = text.find("\r\nFIN <", at + 1)) {
            ++ends;
        }
        EXPECT_EQ(ends, static_cast<std::size_t>(kPerThread)) << name << " is not its whole conversation";
        const std::string last = "FIN <" + std::to_string(std::stoi(thread) * 1000 + kPerThread - 1) + "@x>";
        EXPECT_NE(text.find(last), std::string::npos) << name;
    }
    EXPECT_FALSE(Find<QLineEdit>("txtEnd")->isVisibleTo(w.get()));
}

// "Imprimante" chooses the printer of the following jobs; cancelling its dialog changes nothing,
// prints nothing and shows nothing.
TEST_F(WindowFixture, CancellingThePrinterDialogKeepsThePrinterChosenBefore) {
    OpenSample();
    ClickRow(0);
    printerAnswer = ui::PrinterChoice{"Bureau", ""};
    w->mnuPrinter->trigger();
    EXPECT_EQ(w->Printer().printer, "Bureau");
    printerAnswer = std::nullopt;
    const QString subject = Subject();
    w->mnuPrinter->trigger();
    EXPECT_EQ(printerAsked, (std::vector<std::string>{"", "Bureau"}));
    EXPECT_EQ(w->Printer().printer, "Bureau");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(Tree(temp.Path()).empty()); // no job, not even to a PDF
    EXPECT_FALSE(Find<QLineEdit>("txtEnd")->isVisible());
    EXPECT_EQ(Subject(), subject);
    EXPECT_TRUE(Enabled("cmdPrint"));
}

TEST_F(WindowFixture, WithoutAPrinterPrintingWritesAPdfNamedLikeTheTextFile) {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        GTEST_SKIP() << "a printer is installed; this checks the machine without one";
    }
    if (std::string(GLANMAIL_PDFTOTEXT).empty()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    OpenSample();
    ClickRow(0);
    const std::string subject = Subject().toStdString();
    Click("cmdPrint");
    EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
    const auto files = Tree(temp.Path());
    ASSERT_EQ(files.size(), 1u);
    const std::string pdf = temp.Path() + "/" + files.begin()->first;
    const std::string key = Cell(0, ui::MessageTableModel::DatesPourTri).toStdString();
    EXPECT_EQ(files.begin()->first.substr(files.begin()->first.size() - 20), "_" + key + ".pdf");
    const std::string text = RunCommand(std::string(GLANMAIL_PDFTOTEXT) + " -layout '" + pdf + "' -");
    EXPECT_NE(text.find("Objet : " + subject), std::string::npos) << text;
    EXPECT_NE(text.find("Date : "), std::string::npos);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find(pdf), std::string::npos);
    // Many jobs: their count and folder, in a box of two lines however many there are.
    w->SelectAll();
    Click("cmdPrint");
    EXPECT_EQ(Tree(temp.Path()).size(), 16u);
    EXPECT_EQ(prompter.shown.back().text, "Aucune imprimante n'est installée : les 15 impressions ont été enregistrées "
                                          "en PDF dans le dossier\r\n" +
                                              temp.Path() + "/Exemple");
}

// A file chosen in the printer dialog ("print to a file") takes the print; later jobs beside it.
TEST_F(WindowFixture, PrintingToAFileChosenWritesThatFile) {
    printerAnswer = ui::PrinterChoice{"", temp.Path() + "/choisi.pdf"};
    w->mnuPrinter->trigger();
    OpenSample();
    ClickRow(0);
    Click("cmdPrint");
    EXPECT_GT(std::filesystem::file_size(temp.Path() + "/choisi.pdf"), 0u);
    ASSERT_EQ(prompter.Texts(),
              std::vector<std::string>{"L'impression a été enregistrée dans\r\n" + temp.Path() + "/choisi.pdf"});
    ClickRow(2, Qt::ShiftModifier);
    Click("cmdPrint");
    EXPECT_EQ(Tree(temp.Path()).size(), 4u); // never over the first
    EXPECT_EQ(prompter.shown.back().text,
              "Les 3 impressions ont été enregistrées en PDF dans le dossier\r\n" + temp.Path());
}

} // namespace
} // namespace glanmail
