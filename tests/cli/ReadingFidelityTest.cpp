// A message reads the same whatever was read before it: in a whole-store save, in show, and in
// the list of a store opened after others.
#include "Commands.h"
#include "output/OutputTesting.h"
#include "storewriter/StoreWriter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

using testing::ReadFile;

std::string Output(const std::string& command, Args args) {
    std::ostringstream out, err;
    args.insert(args.begin(), command);
    EXPECT_EQ(RunCli(args, out, err), kExitOk) << err.str();
    return out.str();
}

testing::WriterMessage Mail(const std::string& key, const std::string& subject, const std::string& raw) {
    testing::WriterMessage m;
    m.subjectKey = key; // the list is sorted by it
    m.subject = subject;
    m.raw = raw;
    m.received = testing::FiletimeFromUnix(1079357130);
    return m;
}

// The only file saved under folder whose name starts with prefix.
std::string SavedFile(const std::string& folder, const std::string& prefix) {
    std::string found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) {
            EXPECT_TRUE(found.empty()) << entry.path();
            found = ReadFile(entry.path().string());
        }
    }
    return found;
}

TEST(ReadingFidelityTest, AMessageWithoutTypeReadsTheSameAfterAUtf8One) {
    testing::TempFolder temp;
    const std::string first = temp.Path() + "/A.dbx", second = temp.Path() + "/B.dbx", dir = temp.Path() + "/G";
    testing::WriteFile(
        first, testing::WriteStore(
                   {Mail("a", "Un", "Subject: Un\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nd=C3=A9j=C3=A0\r\n"),
                    Mail("b", "Deux", "Subject: Deux\r\n\r\nd=E9tail=\r\nici\r\n")}));
    // A store listed after the UTF-8 message was saved: its subject reads as text without UTF-8.
    testing::WriteFile(second, testing::WriteStore({Mail("c", "r=E9sum=C3=A9", "Subject: x\r\n\r\nx\r\n")}));
    ASSERT_EQ(Output("show", {first, "1"}).substr(0, 11), "Objet : Un\r");

    const std::string shown = Output("show", {first, "2"});
    EXPECT_EQ(shown.substr(shown.find("\r\n\r\n") + 4), "d\xC3\xA9tailici");
    Output("save", {first, second, "--txt", "--storage", dir});
    EXPECT_EQ(SavedFile(dir + "/A", "Deux"), shown);
    EXPECT_EQ(SavedFile(dir + "/A", "Un"), Output("show", {first, "1"}));
    const std::string listedLater = SavedFile(dir + "/B", "r");
    EXPECT_EQ(listedLater.substr(0, listedLater.find('\r')), "Objet : r\xC3\xA9sum\xC3\x83\xC2\xA9");
}

} // namespace
} // namespace glanmail::cli
