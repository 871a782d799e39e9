// The attachments in the window: listed under the text of the message on show, opened from a
// private folder, saved as the command line saves them; the whole messages beside "Nws et Eml".
#include "WindowTestSupport.h"
#include "ui/AttachmentsPanel.h"

#include <QListWidget>

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::Tree;
using testing::WindowFixture;

struct WindowAttachments : WindowFixture {
    ui::AttachmentsPanel* Panel() { return Find<ui::AttachmentsPanel>("lstAttachments"); }
    QWidget* Body() { return Find<QWidget>("txtBody"); }
};

// Under the text when there are attachments, the text shorter by the list; without, the text
// keeps its whole place. Enter opens the current one from a folder only the user can read,
// which goes when the window does.
TEST_F(WindowAttachments, ListedUnderTheTextAndOpenedFromAPrivateFolder) {
    OpenSample();
    ClickRow(RowOf("Sortie"));
    const QRect whole = Body()->geometry();
    EXPECT_FALSE(Panel()->isVisible());
    ClickRow(RowOf("Photo de l"));
    ASSERT_TRUE(Panel()->isVisible());
    ASSERT_EQ(Panel()->count(), 1);
    EXPECT_EQ(Panel()->item(0)->text(), QString::fromUtf8("coucher-de-soleil.png (151 octets)"));
    EXPECT_EQ(Body()->geometry().top(), whole.top());
    EXPECT_EQ(Body()->geometry().bottom() + 1, Panel()->geometry().top());
    EXPECT_EQ(Panel()->geometry().bottom(), whole.bottom());

    QString opened;
    Panel()->SetOpener([&](const QString& path) { return opened = path, true; });
    Panel()->setFocus();
    Panel()->setCurrentRow(0);
    QTest::keyClick(Panel(), Qt::Key_Return);
    ASSERT_FALSE(opened.isEmpty());
    const fs::path file = opened.toStdString();
    EXPECT_EQ(file.filename(), "coucher-de-soleil.png");
    EXPECT_EQ(testing::ReadFile(file.string()).size(), 151u);
    EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    w.reset();
    EXPECT_FALSE(fs::exists(file.parent_path()));
    EXPECT_TRUE(prompter.shown.empty());
}

// "Enregistrer les pièces jointes" writes what save --attachments writes, and numbers on a
// second run; "Enregistrer les messages complets" what save --complete writes.
TEST_F(WindowAttachments, SavesTheSameFilesAsTheCommandLine) {
    const std::string mine = temp.Path() + "/fenetre", theirs = temp.Path() + "/cli";
    fs::create_directories(mine);
    w->session().SetStorageFolder(mine);
    OpenSample();
    w->SelectAll();
    EXPECT_TRUE(w->mnuSaveAttachments->isEnabled());
    for (const auto& [action, option, files] : {std::tuple{w->mnuSaveAttachments, "--attachments", 3u},
                                                {w->mnuSaveAttachments, "--attachments", 6u},
                                                {w->mnuWholeMessages, "--complete", 21u}}) {
        SCOPED_TRACE(files);
        action->trigger();
        EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
        testing::SaveWithCli(testing::kSampleStore, option, theirs);
        EXPECT_EQ(Tree(mine).size(), files);
        EXPECT_TRUE(Tree(mine) == Tree(theirs));
    }
    EXPECT_TRUE(prompter.shown.empty());

    // A selection without attachments says so.
    ClickRow(RowOf("Sortie"));
    w->mnuSaveAttachments->trigger();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Les messages sélectionnés n'ont pas de pièce jointe"});
}

} // namespace
} // namespace glanmail
