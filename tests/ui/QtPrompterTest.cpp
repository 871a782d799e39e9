#include "ui/QtPrompter.h"

#include "WindowTestSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <atomic>
#include <thread>

namespace glanmail {
namespace {

// Answers the boxes as they come up: records each one, then presses its default button.
struct BoxAnswerer {
    std::vector<std::pair<QString, QString>> seen; // title, text
    std::vector<QMessageBox::Icon> icons;
    std::vector<bool> onWindowThread;
    QTimer timer;
    BoxAnswerer() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.emplace_back(box->windowTitle(), box->text());
                icons.push_back(box->icon());
                onWindowThread.push_back(box->thread() == QApplication::instance()->thread());
                QAbstractButton* button = box->defaultButton() ? box->defaultButton() : box->button(QMessageBox::Ok);
                button->click();
            }
        });
        timer.start(5);
    }
};

TEST(QtPrompterTest, BoxesAskedFromTheOpeningThreadAreShownByTheWindowsThread) {
    testing::App();
    ui::QtPrompter prompter(nullptr);
    BoxAnswerer answerer;
    std::atomic<bool> done{false};
    bool yes = true;
    std::thread worker([&] {
        prompter.Show(Box{"Ce fichier ne contient aucun message complet", kAppTitle, BoxIcon::Information});
        yes = prompter.AskYesNo(Box{"Voulez-vous enregistrer la configuration ?"}, false);
        done = true;
    });
    while (!done) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_EQ(answerer.seen[0].first, "Glanmail");
    EXPECT_EQ(answerer.seen[0].second, "Ce fichier ne contient aucun message complet");
    EXPECT_EQ(answerer.icons[0], QMessageBox::Information);
    EXPECT_FALSE(yes); // No is the default
    EXPECT_EQ(answerer.onWindowThread, (std::vector<bool>{true, true}));
    // On the window's own thread, directly; line breaks of the program's texts are CR LF.
    prompter.Show(Box{"Chemin trop long\r\nCe message ne sera pas enregistré", "MsgEnd", BoxIcon::Critical});
    ASSERT_EQ(answerer.seen.size(), 3u);
    EXPECT_EQ(answerer.seen[2].first, "MsgEnd");
    EXPECT_EQ(answerer.seen[2].second, QString::fromUtf8("Chemin trop long\nCe message ne sera pas enregistré"));
    EXPECT_EQ(answerer.icons[2], QMessageBox::Critical);
}

} // namespace
} // namespace glanmail
