#include "Commands.h"
#include "storewriter/StoreWriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace glanmail::cli {
namespace {

struct Result {
    int status;
    std::string out, err;
};

Result Show(const Args& args) {
    std::ostringstream out, err;
    return {RunShow(args, out, err), out.str(), err.str()}; // a braced list is evaluated in order
}

TEST(ShowCommand, PrintsTheTextFormInUtf8WithCrLfLineEnds) {
    std::vector<testing::WriterMessage> messages(2);
    messages[0].raw = "X: y\r\nDate: Mon, 10 Sep 2007 10:17:55 +0200\r\n\r\nR=E9p=E9tition mardi.\r\nFran=E7oise\r\n";
    messages[0].subject = "R\xE9p\xE9tition";
    messages[0].received = testing::FiletimeFromUnix(1189412312); // 2007-09-10 08:18:32 UTC, 10:18:32 in Paris
    messages[1].raw = messages[0].raw;                            // without a receipt time: a box
    const std::string store = (std::filesystem::path(GLANMAIL_BINARY_DIR) / "show-test.dbx").string();
    std::ofstream(store, std::ios::binary) << testing::WriteStore(messages);

    const Result r = Show({store, "2"}); // the table lists the later written first
    EXPECT_EQ(r.out, "Objet : Répétition\r\nDate : lundi 10 septembre 2007 10:17\r\nExpéditeur : \r\n\r\n"
                     "Répétition mardi.\r\nFrançoise");
    const Result boxed = Show({store, "1"}); // the box on standard error with its title; processing goes on
    EXPECT_EQ(boxed.status, kExitOk);
    EXPECT_EQ(boxed.err, "glanmail-cli: " + store + ": Identifiant 1 : Incompatibilité de type\n");
    EXPECT_NE(boxed.out.find("\r\n\r\nRépétition mardi."), std::string::npos) << boxed.out;
    for (const Args& wrong : {Args{}, Args{store}, Args{store, "1", "2"}, Args{store, "0"}, Args{store, "3"}}) {
        EXPECT_EQ(Show(wrong).status, kExitUsage);
    }
    EXPECT_EQ(Show({store + ".absent", "1"}).status, kExitBadStore);

    const std::filesystem::path real(GLANMAIL_REAL_SAMPLES); // the real stores and the sample store come out clean too
    const std::filesystem::path sample = std::filesystem::path(GLANMAIL_BINARY_DIR) / "samples/Exemple.dbx";
    ASSERT_TRUE(std::filesystem::exists(sample)) << "build the target sample_store first";
    std::vector<Result> all = {r};
    if (std::filesystem::exists(real / "one-message-a.dbx")) {
        const Result a = Show({(real / "one-message-a.dbx").string(), "1"});
        EXPECT_EQ(a.out.substr(0, a.out.find("\r\n\r\n")),
                  "Objet : Please read you won't be sorry........\r\n"
                  "Date : dimanche 14 avril 2002 02:16\r\nExpéditeur : Wealth_Enterprises_2002");
        all.push_back(a);
        all.push_back(Show({(real / "one-message-b.dbx").string(), "1"}));
    }
    for (std::size_t id = 1; all.back().status != kExitUsage; ++id) {
        all.push_back(Show({sample.string(), std::to_string(id)}));
    }
    all.pop_back();
    EXPECT_GE(all.size(), 16u);
    for (const Result& each : all) { // every line break one CR LF
        EXPECT_TRUE(each.status == kExitOk && each.err.empty()) << each.err;
        EXPECT_TRUE(each.out.rfind("Objet : ", 0) == 0 &&
                    !std::regex_search(each.out, std::regex("(^|[^\r])\n|\r\r\n")))
            << each.out;
    }
}

} // namespace
} // namespace glanmail::cli
