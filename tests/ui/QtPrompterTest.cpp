// The boxes of the program as Qt shows them, whichever thread asks.
#include "ui/QtPrompter.h"

#include "WindowTestSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <atomic>
#include <thread>

namespace glanmail {
namespace {

TEST(QtPrompterTest, BoxesAskedFromTheOpeningThreadAreShownByTheWindowsThread) {
    testing::App();
    ui::QtPrompter prompter(nullptr);
    // Each box as it comes up ("title|text|icon", and where it was made), answered by its default button.
    std::vector<std::string> seen;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen.push_back((box->windowTitle() + "|" + box->text()).toStdString() + "|" + std::to_string(box->icon()) +
                           (box->thread() == QApplication::instance()->thread() ? "" : " off the window's thread"));
            QAbstractButton* answer = box->defaultButton();
            (answer ? answer : box->button(QMessageBox::Ok))->click();
        }
    });
    answerer.start(5);
    std::atomic<bool> done{false};
    bool yes = true;
    std::thread worker([&] {
        prompter.Show(Box{"Ce fichier ne contient aucun message complet", kAppTitle, BoxIcon::Information});
        yes = prompter.AskYesNo(Box{"Voulez-vous enregistrer la configuration ?", kAppTitle, BoxIcon::Question}, false);
        done = true;
    });
    while (!done) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    EXPECT_FALSE(yes); // No is the default
    // On the window's own thread, directly; line breaks of the program's texts are CR LF.
    prompter.Show(Box{"Chemin trop long\r\nCe message ne sera pas enregistré", "MsgEnd", BoxIcon::Critical});
    EXPECT_EQ(seen, (std::vector<std::string>{"Glanmail|Ce fichier ne contient aucun message complet|1",
                                              "Glanmail|Voulez-vous enregistrer la configuration ?|4",
                                              "MsgEnd|Chemin trop long\nCe message ne sera pas enregistré|3"}));
}

} // namespace
} // namespace glanmail
