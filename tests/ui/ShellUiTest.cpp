// The dialog that chooses the storage folder.
#include "QtApp.h"
#include "support/Files.h"
#include "ui/StorageFolderDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <filesystem>
#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(StorageFolderDialog, ShowsThePromptOpensOnTheProposalAndTheHighlightedPathWhole) {
    testing::QtApp<QApplication>();
    testing::TempFolder dir;
    const std::string deep = dir / "Documents and Settings/Utilisateur/Mes documents/Archives 2005";
    std::filesystem::create_directories(deep);
    ui::StorageFolderDialog dialog(nullptr, "Choisir le dossier\r\n'" + dir.path + "' par défaut", dir.path);
    EXPECT_EQ(dialog.findChild<QLabel*>("lblPrompt")->text().toStdString(),
              "Choisir le dossier\n'" + dir.path + "' par défaut");
    EXPECT_EQ(dialog.Browser()->directory().absolutePath().toStdString(), dir.path);
    EXPECT_TRUE(dialog.Browser()->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.StatusLine()->text().toStdString(), dir.path);

    emit dialog.Browser()->currentChanged(QString::fromStdString(deep));
    EXPECT_EQ(dialog.StatusLine()->text().toStdString(), deep);
    emit dialog.Browser()->currentChanged(QString()); // an entry without a path: unchanged
    EXPECT_EQ(dialog.StatusLine()->text().toStdString(), deep);

    dialog.Browser()->setDirectory(QString::fromStdString(deep));
    static_cast<QDialog*>(dialog.Browser())->accept(); // the browser's own "Choose" button
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenFolder(), deep);
}

} // namespace
} // namespace glanmail
