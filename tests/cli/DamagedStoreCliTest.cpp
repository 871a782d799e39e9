// A damaged store on the command line: everything still held is listed and written, and what
// is missing is told on standard error with exit status 1.
#include "CliRun.h"
#include "Commands.h"
#include "output/OutputTesting.h"
#include "reader/StoreLayout.h"
#include "storewriter/StoreWriter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

// Three messages: the header counts two, the second entry cannot be read, and the chain of the
// third (512 + 512 + 100 bytes) breaks off after its first block.
std::string DamagedStore(const std::string& folder, std::string& third) {
    std::vector<testing::WriterMessage> messages(3);
    for (std::size_t i = 0; i < 3; ++i) {
        messages[i].raw = "Subject: M" + std::to_string(i) + "\r\n\r\n" + std::string(i == 2 ? 1100 : 10, 'x');
        messages[i].subject = "M" + std::to_string(i);
        messages[i].received = testing::FiletimeFromUnix(1018744077);
    }
    testing::StoreOptions options;
    options.countAt0xC4 = 2;
    testing::StoreLayout l;
    std::string bytes = testing::WriteStore(messages, options, &l);
    testing::PutU32(bytes, l.infoObjects[1], 0); // wrong marker
    testing::PutU32(bytes, l.firstBlocks[2] + layout::kBlockNextAt, static_cast<std::uint32_t>(bytes.size()) + 16);
    third = messages[2].raw.substr(0, 512);
    const std::string path = folder + "/Abîmé.dbx";
    testing::WriteFile(path, bytes);
    return path;
}

TEST(DamagedStoreCli, ListsWhatItCanAndTellsTheRest) {
    testing::TempFolder temp;
    std::string third;
    const std::string store = DamagedStore(temp.Path(), third);
    const std::string lead = "glanmail-cli: " + store + ": ";

    const CliRun list = Cli({"list", store});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.out.find("\tM0\t"), std::string::npos);
    EXPECT_NE(list.out.find("\tM2\t"), std::string::npos);
    EXPECT_NE(list.out.find("2/2 messages complets/contenus dans le fichier Abîmé.dbx (1 entrée de l'index illisible)"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(list.err,
              lead + "L'indice n'appartient pas à la sélection\n" + lead + "1 entrée de l'index n'a pas pu être lue\n");

    const std::size_t id = list.out.find("\n1\tM2\t") != std::string::npos ? 1 : 2; // list order
    const std::string incomplete =
        lead + "Message " + std::to_string(id) + " incomplet : la suite du message est illisible\n";
    const CliRun raw = Cli({"raw", store, std::to_string(id)});
    EXPECT_EQ(raw.status, 1);
    EXPECT_EQ(raw.out, third);
    EXPECT_EQ(raw.err.substr(raw.err.size() - incomplete.size()), incomplete);
    const CliRun show = Cli({"show", store, std::to_string(id)});
    EXPECT_EQ(show.status, 1);
    EXPECT_EQ(show.err.substr(show.err.size() - incomplete.size()), incomplete);
    const std::string said = "incomplet : la suite du message est illisible";
    EXPECT_EQ(show.err.find(said), show.err.rfind(said)) << show.err; // told once, after the text
    const CliRun whole = Cli({"raw", store, std::to_string(3 - id)}); // the other one is whole
    EXPECT_EQ(whole.status, 0);

    const std::string dir = temp.Path() + "/G";
    const CliRun save = Cli({"save", store, "--eml", "--storage", dir});
    EXPECT_EQ(save.status, 1);
    EXPECT_NE(save.out.find("Messages ignorés : 1\n"), std::string::npos) << save.out;
    EXPECT_NE(save.out.find("Messages incomplets : 1\n"), std::string::npos) << save.out;
    EXPECT_NE(save.err.find(incomplete.substr(lead.size())), std::string::npos) << save.err;
    std::size_t files = 0;
    bool keptBytes = false;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/Abîmé")) {
        ++files;
        keptBytes = keptBytes || testing::ReadFile(e.path().string()) == third;
    }
    EXPECT_EQ(files, 2u);
    EXPECT_TRUE(keptBytes) << "the bytes read are saved";
}

} // namespace
} // namespace glanmail::cli
