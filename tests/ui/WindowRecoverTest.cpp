// The window on stores whose index misses messages: the menu entry that searches the whole file,
// the question asked when the index gives nothing, and the recovered rows in the list.
#include "WindowTestSupport.h"

#include <QColor>
#include <QFont>

namespace glanmail {
namespace {

using testing::Tree;
using testing::WindowFixture;

const std::string kQuestion = RecoveryQuestion().text;

struct RecoverWindow : WindowFixture {
    // The sample's fifteen messages, of which the index has lost three: the answer "Sortie vélo
    // dimanche" and the message without subject (deleted), the holiday photo (a fragment).
    std::string LostStore() {
        const std::string path = temp.Path() + "/Effaces.dbx";
        testing::RunCommand("'" + std::string(GLANMAIL_BINARY_DIR) + "/samples/glanmail-make-sample' '" +
                            GLANMAIL_SOURCE_DIR + "/samples/messages' '" + path + "' --deleted 02,10 --fragments 07");
        return path;
    }
    QVariant Data(int row, int role, int column = ui::MessageTableModel::Objet) {
        return w->model()->index(row, column).data(role);
    }
    bool Recovered(int row) { return Data(row, Qt::ToolTipRole).toString().contains(QString::fromUtf8("État : ")); }
};

TEST_F(RecoverWindow, TheMenuEntryReopensTheStoreWithItsDeletedMessagesInGreyItalics) {
    const std::string path = LostStore();
    EXPECT_FALSE(w->mnuRecover->isEnabled()); // no store open
    w->OpenPath(path);
    EXPECT_TRUE(prompter.shown.empty()); // a sound index asks nothing
    EXPECT_EQ(w->model()->rowCount(), 12);
    ASSERT_TRUE(w->mnuRecover->isEnabled());

    QAbstractItemModelTester tester(w->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    w->mnuRecover->trigger();
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(w->model()->rowCount(), 15);
    EXPECT_EQ(Find<QLabel>("lblLvw")->text(),
              QString::fromUtf8("12/12 messages complets/contenus dans le fichier Effaces.dbx, "
                                "3 messages retrouvés"));
    EXPECT_EQ(Panel(2), "Effaces.dbx");
    std::map<QString, QString> statusOf; // subject -> the tool tip's last line, for the recovered rows
    int answer = -1;
    for (int r = 0; r < 15; ++r) {
        const QString tip = Data(r, Qt::ToolTipRole).toString();
        if (!Recovered(r)) {
            EXPECT_FALSE(Data(r, Qt::ForegroundRole).isValid()) << r;
            EXPECT_FALSE(Data(r, Qt::FontRole).isValid()) << r;
            EXPECT_EQ(tip, Cell(r));
            continue;
        }
        statusOf[Cell(r)] = tip.section(QLatin1Char('\n'), 1);
        answer = Cell(r).startsWith(QString::fromUtf8("Sortie vélo")) ? r : answer; // the deleted answer
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

    // The deleted answer is read and shown, and its conversation takes it in.
    ASSERT_GE(answer, 0);
    ClickRow(answer);
    EXPECT_EQ(Subject(), QString::fromUtf8("Sortie vélo dimanche"));
    EXPECT_TRUE(Find<QPlainTextEdit>("txtBody")->toPlainText().contains(QStringLiteral("dimanche"))); // read and shown
    Click("cmdGrouping");
    EXPECT_EQ(Panel(4), "3");

    // A missing store is told as missing, whatever its name, and leaves nothing to search again.
    prompter.shown.clear();
    w->OpenPath(temp.Path() + "/offline.dbx");
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{"Fichier " + temp.Path() + "/offline.dbx introuvable ou endommagé"});
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
        std::string caption;              // on Yes
        bool changedMind;                 // after No, the search asked from the menu instead
    };
    const std::string notAStore =
        " Le fichier  " + temp.Path() + "/SansSignature.dbx n'est pas un fichier Outlook Express valide ";
    const Case cases[] = {{"SansCompte.dbx", noCount, {"Ce fichier ne contient pas de messages"}, "0/0", true},
                          {"SansRacine.dbx", noRoot, {}, "0/12", false},
                          {"SansSignature.dbx", noSignature, {notAStore}, "0/12", false}};
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
        EXPECT_EQ(prompter.shown.front().icon, BoxIcon::Question);
        EXPECT_EQ(w->model()->rowCount(), 0);
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
        EXPECT_EQ(Find<QLabel>("lblLvw")->text().toStdString(),
                  c.caption + " messages complets/contenus dans le fichier " + c.name + ", 15 messages retrouvés");
        EXPECT_TRUE(w->mnuSelectAll->isEnabled() && w->mnuRecover->isEnabled());
    }
}

// Batch saves from the window write what the command line writes: both forms, the sample as
// indexed and with its recovered rows, one file by conversation for the text form only.
TEST_F(RecoverWindow, BatchSavesWriteWhatTheCommandLineWrites) {
    const std::string lost = LostStore();
    struct Case {
        const char* button;
        const std::string& store;
        bool recover, grouping;
        const char* options;
        std::size_t files;
    };
    const Case cases[] = {
        {"cmdAllNws", testing::kSampleStore, false, false, "--eml", 15},
        {"cmdAllTxt", lost, true, false, "--recover --txt", 15},
        {"cmdAllTxt", lost, true, true, "--recover --txt --group", 13},
        {"cmdAllNws", lost, true, true, "--recover --eml", 15}, // the original form is never grouped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string mine = temp.Path() + "/fenetre", theirs = temp.Path() + "/cli";
        std::filesystem::remove_all(theirs);
        std::filesystem::remove_all(mine), std::filesystem::create_directories(mine);
        w->session().SetStorageFolder(mine);
        w->OpenPath(c.store);
        if (c.recover) {
            w->mnuRecover->trigger();
        }
        if (w->session().GroupingOption() != c.grouping) {
            w->mnuGrouping->trigger();
        }
        w->SelectAll();
        Click(c.button);
        EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
        EXPECT_FALSE(Enabled("cmdDown") || Enabled("cmdUp"));
        testing::SaveWithCli(c.store, c.options, theirs);
        const auto a = Tree(mine);
        EXPECT_EQ(a.size(), c.files);
        EXPECT_TRUE(a == Tree(theirs));
    }
    // Only the word that original forms were saved without their attachments, once a save.
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{
                                    testing::CutWithoutAttachments("2 messages enregistrés sans leurs pièces jointes"),
                                    testing::CutWithoutAttachments("1 message enregistré sans ses pièces jointes")}));
}

} // namespace
} // namespace glanmail
