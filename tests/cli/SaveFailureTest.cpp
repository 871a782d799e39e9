// glanmail-cli save when things go wrong: a disk that fills, a storage folder too deep for any
// path, Ctrl+C in the middle of a run.
#include "Commands.h"
#include "common/OutputFile.h"
#include "output/OutputTesting.h"
#include "support/FailingFiles.h"
#include "storewriter/StoreWriter.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

struct SaveRun {
    int status;
    std::string out, err;
};

SaveRun Save(const Args& args, FileSystem& files = SystemFiles()) {
    std::ostringstream out, err;
    const int status = RunSave(args, out, err, files);
    return {status, out.str(), err.str()};
}

// Messages "Message 1" ... "Message n", each raw text unique and `size` bytes long or more.
std::vector<testing::WriterMessage> Messages(std::size_t n, std::size_t size = 0) {
    std::vector<testing::WriterMessage> messages(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string subject = "Message " + std::to_string(i + 1);
        messages[i].raw = "Subject: " + subject + "\r\n\r\n" + std::string(size, 'x') + "\r\nFIN " + subject;
        messages[i].subject = messages[i].subjectKey = subject;
        messages[i].received = testing::FiletimeFromUnix(1079357130 + static_cast<std::int64_t>(i));
    }
    return messages;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SaveOnAFullDisk, StopsAtOnceRemovesTheUnfinishedFileAndTheRerunIsClean) {
    testing::TempFolder temp;
    const std::string store = temp.Path() + "/Full.dbx", dir = temp.Path() + "/G", folder = dir + "/Full/";
    const auto messages = Messages(3, 1000);
    testing::WriteFile(store, testing::WriteStore(messages));
    testing::FailingFiles files;
    files.failAtByte = 1500; // the second file fills the disk
    const SaveRun full = Save({store, "--eml", "--storage", dir}, files);
    EXPECT_EQ(full.status, kExitOutput);
    EXPECT_EQ(full.out, "Fichiers écrits : 1 (1 message)\nMessages ignorés : 2\nFichiers DBX refusés : 0\n");
    // Which message, the file and the reason, once; then how many files were written.
    const std::string first = Entries(folder).at(0), failed = "Message 2_20040315 142531.eml";
    EXPECT_EQ(full.err, "glanmail-cli: " + store + ": Identifiant 2 : Impossible d'écrire « " + folder + failed +
                            " » : disque plein\nglanmail-cli: Enregistrement arrêté : 1 fichier écrit\n");
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"Message 1_20040315 142530.eml"});
    EXPECT_EQ(ReadFile(folder + first), messages[0].raw);

    files.failAtByte = testing::FailingFiles::kNever; // room again
    const SaveRun rerun = Save({store, "--eml", "--storage", dir}, files);
    EXPECT_EQ(rerun.status, kExitOk) << rerun.err;
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Message 1-1_20040315 142530.eml", first, failed,
                                                         "Message 3_20040315 142532.eml"}));
    EXPECT_EQ(ReadFile(folder + failed), messages[1].raw);
}

TEST(SaveWithPathsTooLong, EachCauseIsToldOnceWithItsCount) {
    testing::TempFolder temp;
    const std::string store = temp.Path() + "/Long.dbx";
    testing::WriteFile(store, testing::WriteStore(Messages(3)));
    std::string storage = temp.Path();
    while (storage.size() < 4060) { // room for the store folder, not for any file in it
        storage += "/" + std::string(std::min<std::size_t>(200, 4060 - storage.size()), 'd');
    }
    fs::create_directories(storage);
    const SaveRun r = Save({store, "--storage", storage});
    EXPECT_EQ(r.status, kExitSkipped);
    const std::string box = "Chemin trop long / Ce message ne sera pas enregistré";
    EXPECT_EQ(r.err, "glanmail-cli: " + store + ": Identifiant 1 : " + box + "\nglanmail-cli: " + store + ": " + box +
                         " / (3 fois en tout)\n");
    EXPECT_EQ(r.out, "Fichiers écrits : 0 (0 message)\nMessages ignorés : 3\nFichiers DBX refusés : 0\n");
}

// The real program, stopped with Ctrl+C while it saves a large store: it ends with 130, says how many
// files it wrote, and every file left in the storage folder is whole.
TEST(SaveInterrupted, CtrlCLeavesOnlyWholeFiles) {
    testing::TempFolder temp;
    const std::string store = temp.Path() + "/Big.dbx", dir = temp.Path() + "/G", folder = dir + "/Big/";
    const auto messages = Messages(6000, 3000);
    testing::WriteFile(store, testing::WriteStore(messages));
    const std::string out = temp.Path() + "/out", err = temp.Path() + "/err";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        const std::string program = GLANMAIL_BINARY_DIR "/src/cli/glanmail-cli";
        ::execl(program.c_str(), program.c_str(), "save", store.c_str(), "--eml", "--storage", dir.c_str(), nullptr);
        ::_exit(127);
    }
    // Once the first files are there, the child is frozen, told to stop, then let go: the signal comes in
    // the middle of the run however busy the machine is.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::error_code ec;
    while (std::chrono::steady_clock::now() < deadline &&
           std::distance(fs::directory_iterator(folder, ec), fs::directory_iterator()) < 20) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGSTOP);
    ::kill(child, SIGINT);
    ::kill(child, SIGCONT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), kExitInterrupted) << ReadFile(err);

    std::set<std::string> raws;
    for (const auto& m : messages) {
        raws.insert(m.raw);
    }
    const std::vector<std::string> names = Entries(folder);
    EXPECT_GE(names.size(), 20u);
    EXPECT_LT(names.size(), messages.size());
    for (const std::string& name : names) {
        EXPECT_NE(name.rfind(kTemporaryPrefix, 0), 0u) << name;
        EXPECT_EQ(raws.count(ReadFile(folder + name)), 1u) << name << " is not a whole message";
    }
    const std::string written = std::to_string(names.size()) + " fichiers écrits";
    EXPECT_EQ(ReadFile(out).rfind("Fichiers écrits : " + std::to_string(names.size()) + " (", 0), 0u) << ReadFile(out);
    EXPECT_EQ(ReadFile(err), "glanmail-cli: Enregistrement interrompu : " + written + "\n");
}

} // namespace
} // namespace glanmail::cli
