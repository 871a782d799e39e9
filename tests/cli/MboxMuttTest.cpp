// The sample store's mbox read back by mutt, a mail reader people move their mail into: every
// message is there, each body as the message was written.
#include "Commands.h"
#include "output/OutputTesting.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// What follows the first empty line, without the empty lines that end it.
std::string BodyOf(const std::string& message) {
    const std::size_t blank = message.find("\n\n");
    std::string body = blank == std::string::npos ? std::string() : message.substr(blank + 2);
    while (!body.empty() && body.back() == '\n') {
        body.pop_back();
    }
    return body;
}

// The messages of the mbox as mutt reads them, in the file's order: mutt (in a terminal that
// Python's pty module provides, as it needs one) tags them all and pipes them, each followed
// by a separator line, to one file.
std::vector<std::string> ReadWithMutt(const std::string& mbox, const std::string& work) {
    const std::string out = work + "/mutt-out.txt";
    // Temporary folders hold no blank: the path needs no quoting among the keys pushed.
    const std::string push = "push \"<tag-pattern>~A<enter><tag-prefix><pipe-message>cat > " + out + "<enter><exit>\"";
    const std::string settings = "set pipe_split=no pipe_decode=no wait_key=no sort=mailbox-order "
                                 "pipe_sep=\"=GLANMAIL=\\n\"";
    // Mutt's first start in a home without ~/Mail asks whether to make it, and would take the
    // keys pushed for its answer.
    fs::create_directory(work + "/Mail");
    ::setenv("GLANMAIL_MUTT_PUSH", push.c_str(), 1);
    ::setenv("GLANMAIL_MUTT_SET", settings.c_str(), 1);
    // Standard input is closed: every key comes from the push.
    const std::string command = "HOME='" + work +
                                "' TERM=vt100 timeout 60 python3 -c 'import pty, sys; pty.spawn(sys.argv[1:])' "
                                "mutt -n -F /dev/null -R -f '" +
                                mbox +
                                "' -e \"$GLANMAIL_MUTT_SET\" -e \"$GLANMAIL_MUTT_PUSH\" </dev/null >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> messages;
    std::istringstream in(testing::ReadFile(out));
    std::string message;
    for (std::string line; std::getline(in, line);) {
        if (line == "=GLANMAIL=") {
            messages.push_back(message);
            message.clear();
        } else {
            message += line + "\n";
        }
    }
    return messages;
}

TEST(MboxInMutt, EveryMessageOfTheSampleReadsBackWithItsBody) {
    if (std::system("command -v mutt >/dev/null 2>&1 && command -v python3 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "mutt (Debian package mutt) or python3 is not installed: the mbox is not read back by mutt";
    }
    testing::TempFolder temp;
    std::ostringstream out, err;
    ASSERT_EQ(
        RunCli({"save", "--mbox", GLANMAIL_BINARY_DIR "/samples/Exemple.dbx", "--storage", temp.Path()}, out, err),
        kExitOk)
        << err.str();
    const std::vector<std::string> read = ReadWithMutt(temp.Path() + "/Exemple.mbox", temp.Path());
    std::vector<std::string> written; // the bodies of the sample's messages as written, LF line ends
    for (const auto& e : fs::directory_iterator(GLANMAIL_SOURCE_DIR "/samples/messages")) {
        written.push_back(BodyOf(WithoutCr(testing::ReadFile(e.path().string()))));
    }
    ASSERT_EQ(written.size(), 15u);
    ASSERT_EQ(read.size(), written.size());
    for (const std::string& message : read) {
        const std::string body = BodyOf(message);
        EXPECT_EQ(std::count(written.begin(), written.end(), body), 1) << message.substr(0, 300);
    }
}

} // namespace
} // namespace glanmail::cli
