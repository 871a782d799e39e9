// The window on stores whose index misses messages: the menu entry that searches the whole file,
// the question asked when the index gives nothing, and the recovered rows in the list.
#include "WindowTestSupport.h"
#include "support/Command.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QColor>
#include <QFont>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPrinterInfo>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

namespace glanmail {
namespace {

using testing::WindowFixture;

const std::string kQuestion =
    "L'index de ce fichier est vide ou endommagé. Rechercher les messages dans tout le fichier ?";

using testing::RunCommand;

std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) {
            files[std::filesystem::relative(e.path(), folder).string()] = testing::ReadFile(e.path().string());
        }
    }
    return files;
}

struct RecoverWindow : WindowFixture {
    // The sample's fifteen messages, of which the index has lost three: the answer "Sortie vélo
    // dimanche" and the message without subject (deleted), the holiday photo (a fragment).
    std::string LostStore(const std::string& name = "Effaces.dbx") {
        const std::string path = temp.Path() + "/" + name;
        RunCommand("'" + std::string(GLANMAIL_BINARY_DIR) + "/samples/glanmail-make-sample' '" + GLANMAIL_SOURCE_DIR +
                   "/samples/messages' '" + path + "' --deleted 02,10 --fragments 07");
        return path;
    }
    QVariant Data(int row, int role, int column = ui::MessageTableModel::Objet) {
        return w->model()->index(row, column).data(role);
    }
    bool Recovered(int row) { return Data(row, Qt::ToolTipRole).toString().contains(QString::fromUtf8("État : ")); }
    int RowWith(const QString& subject, const QString& sender) {
        for (int r = 0; r < w->model()->rowCount(); ++r) {
            if (Cell(r) == subject && Cell(r, ui::MessageTableModel::Emetteur) == sender) {
                return r;
            }
        }
        return -1;
    }
    QString Caption() { return Find<QLabel>("lblLvw")->text(); }
};

TEST_F(RecoverWindow, TheMenuEntryReopensTheStoreWithItsDeletedMessagesInGreyItalics) {
    const std::string path = LostStore();
    EXPECT_EQ(w->mnuFiles->actions().at(1), w->mnuRecover);
    EXPECT_EQ(w->mnuRecover->text().remove(QLatin1Char('&')), QString::fromUtf8("Rechercher les messages effacés"));
    EXPECT_FALSE(w->mnuRecover->isEnabled()); // no store open
    w->OpenPath(path);
    EXPECT_TRUE(prompter.shown.empty()); // a sound index asks nothing
    EXPECT_EQ(w->model()->rowCount(), 12);
    ASSERT_TRUE(w->mnuRecover->isEnabled());

    QAbstractItemModelTester tester(w->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    w->mnuRecover->trigger();
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(w->model()->rowCount(), 15);
    EXPECT_EQ(Caption(), QString::fromUtf8("12/12 messages complets/contenus dans le fichier Effaces.dbx, "
                                           "3 messages retrouvés"));
    EXPECT_EQ(Panel(2), "Effaces.dbx");
    std::map<QString, QString> statusOf; // subject -> the tool tip's last line, for the recovered rows
    for (int r = 0; r < 15; ++r) {
        const QString tip = Data(r, Qt::ToolTipRole).toString();
        if (!Recovered(r)) {
            EXPECT_FALSE(Data(r, Qt::ForegroundRole).isValid()) << r;
            EXPECT_FALSE(Data(r, Qt::FontRole).isValid()) << r;
            EXPECT_EQ(tip, Cell(r));
            continue;
        }
        statusOf[Cell(r)] = tip.section(QLatin1Char('\n'), 1);
        for (int column :
             {ui::MessageTableModel::Objet, ui::MessageTableModel::Emetteur, ui::MessageTableModel::Date}) {
            const QColor grey = Data(r, Qt::ForegroundRole, column).value<QColor>();
            EXPECT_TRUE(grey.red() == grey.green() && grey.green() == grey.blue() && grey.red() > 0x40) << r;
            EXPECT_TRUE(Data(r, Qt::FontRole, column).value<QFont>().italic()) << r;
        }
    }
    EXPECT_EQ(statusOf, (std::map<QString, QString>{
                            {QString::fromUtf8("(Objet non précisé)"), QString::fromUtf8("État : effacé")},
                            {QString::fromUtf8("Sortie vélo dimanche"), QString::fromUtf8("État : effacé")},
                            {QString::fromUtf8("Photo de l'Ile de Re"), QStringLiteral("État : fragment")}}));

    // The deleted answer stands in its conversation, and the conversation takes it in.
    const int answer = RowWith(QString::fromUtf8("Sortie vélo dimanche"), QStringLiteral("Sophie Garnier"));
    const int first = RowWith(QString::fromUtf8("Sortie vélo dimanche"), QString::fromUtf8("Jean-Marc Lefèvre"));
    ASSERT_GE(answer, 0);
    ASSERT_GE(first, 0);
    std::vector<int> rows; // of the conversation, in list order: side by side
    for (int r = 0; r < 15; ++r) {
        if (w->session().Entry(w->model()->IdAt(r)).ThreadKey == "<Sortie v\xE9lo dimanche>") {
            rows.push_back(r);
        }
    }
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.back() - rows.front(), 2);
    EXPECT_NE(std::find(rows.begin(), rows.end(), answer), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), first), rows.end());
    ClickRow(answer);
    EXPECT_EQ(Subject(), QString::fromUtf8("Sortie vélo dimanche"));
    EXPECT_TRUE(Find<QPlainTextEdit>("txtBody")->toPlainText().contains(QStringLiteral("dimanche"))); // read and shown
    Click("cmdGrouping");
    EXPECT_EQ(Panel(4), "3");

    // A refused store leaves nothing to search again.
    w->OpenPath(temp.Path() + "/Absent.dbx");
    EXPECT_FALSE(w->mnuRecover->isEnabled());
}

TEST_F(RecoverWindow, AZeroedCountRootOrSignatureAsksWhetherToSearchTheWholeFile) {
    std::string bytes = testing::ReadFile(LostStore());
    std::string noCount = bytes, noRoot = bytes, noSignature = bytes;
    testing::PutU32(noCount, 0xC4, 0);
    testing::PutU32(noRoot, 0xE4, 0);
    noSignature.replace(0, 16, 16, '\0'); // the header cannot be read either
    struct Case {
        std::string name, bytes;
        std::vector<std::string> refusal; // today's boxes, shown on No
        const char* caption;              // on Yes
        bool changedMind;                 // after No, the search asked from the menu instead
    };
    const Case cases[] = {
        {"SansCompte.dbx", noCount, {"Ce fichier ne contient pas de messages"}, "0/0", true},
        {"SansRacine.dbx", noRoot, {}, "0/12", false},
        {"SansSignature.dbx",
         noSignature,
         {" Le fichier  " + temp.Path() + "/SansSignature.dbx n'est pas un fichier Outlook Express valide "},
         "0/12",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = temp.Path() + "/" + c.name;
        testing::WriteFile(path, c.bytes);

        prompter.shown.clear();
        prompter.yesNoAnswers = {false};
        w->OpenPath(path);
        std::vector<std::string> expected{kQuestion};
        expected.insert(expected.end(), c.refusal.begin(), c.refusal.end());
        EXPECT_EQ(prompter.Texts(), expected);
        EXPECT_EQ(prompter.shown.front().title, "Glanmail");
        EXPECT_EQ(prompter.shown.front().icon, BoxIcon::Question);
        EXPECT_EQ(w->model()->rowCount(), 0);
        EXPECT_EQ(Caption(), "Liste des messages");
        EXPECT_FALSE(w->mnuSelectAll->isEnabled());
        EXPECT_TRUE(w->mnuRecover->isEnabled()); // the user may change their mind

        prompter.shown.clear(); // no answer scripted: the question's default, Yes
        if (c.changedMind) {
            w->mnuRecover->trigger();
        } else {
            w->OpenPath(path);
        }
        EXPECT_EQ(prompter.Texts(), c.changedMind ? std::vector<std::string>{} : std::vector<std::string>{kQuestion});
        ASSERT_EQ(w->model()->rowCount(), 15);
        for (int r = 0; r < 15; ++r) {
            EXPECT_TRUE(Recovered(r)) << r;
        }
        EXPECT_EQ(Caption(), QString::fromUtf8(c.caption) +
                                 QString::fromUtf8(" messages complets/contenus dans le fichier ") +
                                 QString::fromStdString(c.name) + QString::fromUtf8(", 15 messages retrouvés"));
        EXPECT_TRUE(w->mnuSelectAll->isEnabled());
        EXPECT_TRUE(w->mnuRecover->isEnabled());
    }
}

// The command line's rule too: a store without messages by its name, and a file too short to
// hold anything past a store's header, are refused without a question; a file whose search
// finds nothing is refused once, with what its header said.
TEST_F(RecoverWindow, RefusedNamesAskNothingAndAFruitlessSearchIsToldOnce) {
    const std::string folders = temp.Path() + "/folders.dbx", notes = temp.Path() + "/notes.dbx";
    testing::WriteFile(folders, testing::ReadFile(LostStore()));
    testing::WriteFile(notes, "Liste des courses\r\n");
    prompter.shown.clear();
    w->OpenPath(folders);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"La lecture du fichier folders.dbx n'est pas autorisée"});
    prompter.shown.clear();
    w->OpenPath(notes);
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{" Le fichier  " + notes + " n'est pas un fichier Outlook Express valide "});
    const std::string text = temp.Path() + "/texte.dbx"; // as long as a store, but no store at all
    testing::WriteFile(text, std::string(40000, 'x'));
    prompter.shown.clear();
    w->OpenPath(text); // Yes, the default
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{kQuestion,
                                        " Le fichier  " + text + " n'est pas un fichier Outlook Express valide "}));
    EXPECT_EQ(w->model()->rowCount(), 0);
    EXPECT_FALSE(w->mnuRecover->isEnabled());
}

TEST_F(RecoverWindow, SavingRecoveredRowsWritesWhatTheCommandLineWrites) {
    const std::string path = LostStore();
    const std::string cli = std::string(GLANMAIL_BINARY_DIR) + "/src/cli/glanmail-cli";
    struct Case {
        const char* button;
        const char* options;
        bool grouping;
    };
    for (const Case& c : {Case{"cmdAllTxt", "--txt", false}, Case{"cmdAllNws", "--eml", false},
                          Case{"cmdAllTxt", "--txt --group", true}}) {
        SCOPED_TRACE(c.options);
        const std::string mine = temp.Path() + "/fenetre", theirs = temp.Path() + "/cli";
        std::filesystem::remove_all(mine);
        std::filesystem::remove_all(theirs);
        std::filesystem::create_directories(mine);
        w->session().SetStorageFolder(mine);
        w->OpenPath(path);
        w->mnuRecover->trigger();
        if (w->session().GroupingOption() != c.grouping) {
            w->mnuGrouping->trigger();
        }
        w->SelectAll();
        Click(c.button);
        EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
        RunCommand("'" + cli + "' save '" + path + "' --recover " + c.options + " --storage '" + theirs + "' 2>&1");
        const auto a = Tree(mine), b = Tree(theirs);
        EXPECT_EQ(a.size(), c.grouping ? 13u : 15u);
        EXPECT_TRUE(a == b);
    }
    // Only the word that the original forms were saved without their attachments.
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{testing::CutWithoutAttachments("1 message enregistré sans ses pièces jointes")});
}

TEST_F(RecoverWindow, ARecoveredRowPrintsLikeAnyOther) {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        GTEST_SKIP() << "a printer is installed; this checks the machine without one";
    }
    w->OpenPath(LostStore());
    w->mnuRecover->trigger();
    const int photo = RowWith(QString::fromUtf8("Photo de l'Ile de Re"), QStringLiteral("Claire Dubois"));
    ASSERT_GE(photo, 0);
    ClickRow(photo);
    Click("cmdPrint");
    EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
    const auto files = Tree(temp.Path() + "/Effaces");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first.rfind("Photo de l_Ile de Re_", 0), 0u) << files.begin()->first;
    EXPECT_EQ(files.begin()->first.substr(files.begin()->first.size() - 4), ".pdf");
}

} // namespace
} // namespace glanmail
