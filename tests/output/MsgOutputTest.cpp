#include "output/MsgOutput.h"

#include "FakePrintDevice.h"
#include "TempFolder.h"
#include "support/FakePrompter.h"
#include "support/StoreWriter.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FakePrompter;
using testing::Names;
using testing::ReadFile;
using testing::TempFolder;

testing::WriterMessage Mail(const std::string& subject, const std::string& raw) {
    testing::WriterMessage m;
    m.raw = raw;
    m.subject = subject;
    m.subjectKey = subject;
    m.messageId = "<" + subject + "@test>";
    m.sender = "Alice";
    m.received = testing::FiletimeFromUnix(1079357130);
    return m;
}

class MsgOutputTest : public ::testing::Test {
protected:
    TempFolder temp;
    FakePrompter prompter;
    ContentState state;
    std::unique_ptr<OpenedStore> store;

    void SetUp() override {
        store =
            OpenStoreBytes(std::make_unique<MemorySource>(testing::WriteStore({
                               Mail("Annonce", "Newsgroups: fr.test\r\nSubject: Annonce\r\n\r\nTexte\r\n"),
                               Mail("Courrier", "From: a\r\nNewsgroups: fr.test\r\nSubject: Courrier\r\n\r\nSalut\r\n"),
                           })),
                           "Boite.dbx", prompter, state);
        ASSERT_TRUE(store);
        ASSERT_EQ(store->MsgCount(), 2u);
    }
    std::size_t Id(const std::string& subject) const {
        for (std::size_t id = 1; id <= store->MsgCount(); ++id) {
            if (store->Entry(id).Subject == subject) {
                return id;
            }
        }
        return 0;
    }
};

TEST_F(MsgOutputTest, ViewingWritesNothing) {
    MsgOutput output(*store, state, prompter, OutputFlags{});
    output.SetStorageFolder(temp.Path());
    std::size_t shown = 0;
    output.SetShow([&](std::size_t id, const CurrentMessage&) { shown = id; });
    EXPECT_EQ(output.ReadMsg(Id("Annonce"), OutputMode::Single), OutputStatus::Nothing);
    EXPECT_EQ(shown, Id("Annonce"));
    EXPECT_TRUE(Names(temp.Path()).empty());
    EXPECT_EQ(output.ReadMsg(3, OutputMode::Single), OutputStatus::Unreadable);
}

TEST_F(MsgOutputTest, OriginalFormOfEachMessageWithProgress) {
    MsgOutput output(*store, state, prompter, OutputFlags::AllNws());
    output.SetStorageFolder(temp.Path());
    output.SetBatchRunning(true);
    std::vector<std::size_t> progress;
    output.SetProgress([&](std::size_t id) { progress.push_back(id); });
    const BatchSummary s = OutputEach({1, 2}, output, nullptr);
    EXPECT_EQ(s.written, 2u);
    EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2}));
    const std::string folder = temp.Path() + "/Boite/";
    const auto names = Names(folder);
    ASSERT_EQ(names.size(), 2u);
    // "Newsgroups:" on the first line is not preceded by a line break.
    EXPECT_EQ(names.count("Annonce_" + store->Entry(Id("Annonce")).DateKey + ".eml"), 1u);
    const std::string news = "Courrier_" + store->Entry(Id("Courrier")).DateKey + ".nws";
    EXPECT_EQ(names.count(news), 1u);
    EXPECT_EQ(ReadFile(folder + news), "From: a\r\nNewsgroups: fr.test\r\nSubject: Courrier\r\n\r\nSalut\r\n");
}

TEST_F(MsgOutputTest, PrintingAndPrinterFailure) {
    testing::FakePrintDevice device;
    MsgOutput output(*store, state, prompter, OutputFlags::Print());
    output.SetPrintDevice(&device);
    EXPECT_EQ(output.ReadMsg(Id("Annonce"), OutputMode::First), OutputStatus::Printed);
    EXPECT_TRUE(device.jobOpen);
    output.EndGroup(); // the group's last message never came
    EXPECT_FALSE(device.jobOpen);
    ASSERT_EQ(device.jobs.size(), 1u);
    EXPECT_EQ(device.jobs[0][0][3], std::string(11, ' ') + "Objet : Annonce");

    const std::string failure = "L'imprimante ne r\xC3\xA9pond pas.";
    device.error = failure;
    EXPECT_EQ(output.ReadMsg(Id("Annonce"), OutputMode::Single), OutputStatus::Failed);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().title, "MsgEnd");
    EXPECT_EQ(prompter.shown.back().text, failure);
    EXPECT_FALSE(device.jobOpen);
}

} // namespace
} // namespace glanmail
