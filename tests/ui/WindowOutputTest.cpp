#include "WindowTestSupport.h"

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

std::string RunCommand(const std::string& command) {
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
    EXPECT_TRUE(prompter.shown.empty());
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
}

} // namespace
} // namespace glanmail
