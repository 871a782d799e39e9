// mboxrd output, read back by Python's mailbox module, a reader other mail tools share.
#include "output/Mbox.h"

#include "OutputTesting.h"
#include "output/MboxFile.h"
#include "support/Command.h"
#include "support/Env.h"
#include "support/FailingFiles.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::testing {
namespace {

// What an mboxrd reader gives back for a message: LF line ends and a final line end.
std::string AsRead(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            continue;
        }
        out.push_back(raw[i]);
    }
    if (!out.empty() && out.back() != '\n') {
        out.push_back('\n');
    }
    return out;
}

// Python's mailbox reads an mbox and splits it at the "From " lines; it leaves the quoting
// in place, so the script undoes the mboxrd quoting (one ">" less before "From ").
// Gives per message its "From " line (without "From ") and its bytes.
std::vector<std::pair<std::string, std::string>> ReadWithPython(const std::string& path) {
    EnvironmentGuard environment;
    environment.Set("GLANMAIL_PY", "import mailbox,re,sys\n"
                                   "box=mailbox.mbox(sys.argv[1],create=False)\n"
                                   "for key in box.keys():\n"
                                   "  print(box.get_message(key).get_from())\n"
                                   "  body=box.get_bytes(key,from_=False)\n"
                                   "  print(re.sub(rb'(?m)^>(>*From )',rb'\\1',body).hex())\n");
    std::istringstream lines(RunCommand("python3 -c \"$GLANMAIL_PY\" '" + path + "'"));
    std::vector<std::pair<std::string, std::string>> messages;
    for (std::string from, hex; std::getline(lines, from) && std::getline(lines, hex);) {
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
        messages.emplace_back(from, bytes);
    }
    return messages;
}

TEST(Mbox, FromLineCarriesTheAddressAndTheAsctimeDate) {
    EXPECT_EQ(MboxFromLine("bob@example.org", 1018744067), "From bob@example.org Sun Apr 14 00:27:47 2002\n");
    EXPECT_EQ(MboxFromLine("", std::nullopt), "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\n");
    EXPECT_EQ(MboxFromLine("a b@c", 951782400), "From ab@c Tue Feb 29 00:00:00 2000\n");
    // The date comes from the message's own "Date:" line, else from its last "Received:".
    EXPECT_EQ(MboxEntry("From: \"Bob\" <bob@x.org>\r\nDate: Sun, 14 Apr 2002 02:27:47 +0200\r\n\r\nHi\r\n"),
              "From bob@x.org Sun Apr 14 00:27:47 2002\nFrom: \"Bob\" <bob@x.org>\nDate: Sun, 14 Apr 2002 02:27:47 "
              "+0200\n\nHi\n\n");
    EXPECT_EQ(MboxEntry("Received: by a; Mon, 1 Jan 2001 10:00:00 GMT\r\nReceived: by b; 31 Dec 2000 23:59 -0100\r\n"
                        "From: x@y\r\n\r\n")
                  .substr(0, 41),
              "From x@y Mon Jan  1 00:59:00 2001\nReceive");
}

// Messages of every shape, then the sample store's.
TEST(Mbox, PythonsMailboxReadsBackEveryMessageWhole) {
    std::vector<std::string> messages = {
        "From: \"Bob\" <bob@example.org>\r\nDate: Sun, 14 Apr 2002 02:27:47 +0200\r\nSubject: un\r\n\r\n"
        "From here on\r\n>From there\r\n>>From afar\r\nFrom:\r\n\r\n",
        "Subject: sans fin de ligne\r\n\r\nderni\xE8re ligne",
        "From: alice@example.org\r\nSubject: pi\xE8"
        "ce jointe\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nvoir\r\n--b\r\nContent-Type: application/octet-stream\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nRnJvbSBtZQ==\r\n--b--\r\n",
        "Subject: Unix line ends\n\nFrom the start\n\n\nend\n",
    };
    for (const std::string& name : Entries(GLANMAIL_SOURCE_DIR "/samples/messages")) {
        messages.push_back(ReadFile(GLANMAIL_SOURCE_DIR "/samples/messages/" + name));
    }
    ASSERT_GT(messages.size(), 10u);
    TempFolder folder;
    const std::string path = folder.Path() + "/Inbox.mbox";
    MboxFile file(path);
    for (const std::string& m : messages) {
        ASSERT_TRUE(file.Add(m));
    }
    ASSERT_TRUE(file.Finish());
    EXPECT_EQ(file.messages(), messages.size());

    const auto read = ReadWithPython(path);
    ASSERT_EQ(read.size(), messages.size());
    EXPECT_EQ(read[0].first, "bob@example.org Sun Apr 14 00:27:47 2002");
    EXPECT_EQ(read[1].first, "MAILER-DAEMON Thu Jan  1 00:00:00 1970");
    EXPECT_EQ(read[2].first.substr(0, 18), "alice@example.org ");
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(read[i].second, AsRead(messages[i])) << i;
    }
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"Inbox.mbox"}); // nothing else left
}

TEST(Mbox, AFileThatHoldsSomethingIsNeverReplacedAndFailuresLeaveNothing) {
    TempFolder folder;
    const std::string path = folder.Path() + "/Inbox.mbox";
    WriteFile(path, "mine");
    {
        MboxFile file(path);
        ASSERT_TRUE(file.Add("Subject: x\r\n\r\ny\r\n"));
        EXPECT_FALSE(file.Finish());
        EXPECT_EQ(file.error(), EEXIST);
    }
    EXPECT_EQ(ReadFile(path), "mine");
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"Inbox.mbox"});

    // An empty file counts as missing: it gives way.
    WriteFile(path, "");
    MboxFile again(path);
    ASSERT_TRUE(again.Add("Subject: x\r\n\r\ny\r\n"));
    ASSERT_TRUE(again.Finish());
    EXPECT_EQ(ReadFile(path), "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\nSubject: x\n\ny\n\n");

    // A folder that does not exist: nothing can be written, and nothing is left.
    MboxFile nowhere(folder.Path() + "/missing/Inbox.mbox");
    EXPECT_NE(nowhere.error(), 0);
    EXPECT_FALSE(nowhere.Add("Subject: x\r\n\r\n"));
    EXPECT_FALSE(nowhere.Finish());
    {
        // Abandoned before Finish: the temporary goes.
        MboxFile dropped(folder.Path() + "/Other.mbox");
        ASSERT_TRUE(dropped.Add("Subject: x\r\n\r\n"));
    }
    // A disk that fills, through the program's file system as every file it writes.
    FailingFiles full;
    full.failAtByte = 20;
    MboxFile filling(folder.Path() + "/Plein.mbox", full);
    EXPECT_FALSE(filling.Add("Subject: x\r\n\r\ny\r\n"));
    EXPECT_EQ(filling.error(), ENOSPC);
    EXPECT_FALSE(filling.Finish());
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"Inbox.mbox"});
}

} // namespace
} // namespace glanmail::testing
