// The bundled sample store, made at build time from samples/messages/*.eml: every message is
// listed with what its header says, conversations stand together, and each raw message comes
// back byte for byte.

#include "reader/RawMessage.h"
#include "reader/Store.h"
#include "support/FakePrompter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace glanmail {
namespace {

namespace fs = std::filesystem;

const std::string kStorePath = std::string(GLANMAIL_BINARY_DIR) + "/samples/Exemple.dbx";
const fs::path kMessages = fs::path(GLANMAIL_SOURCE_DIR) / "samples" / "messages";

std::vector<std::string> SourceMessages() {
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(kMessages)) {
        if (e.path().extension() == ".eml") {
            files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> raws;
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        raws.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return raws;
}

class SampleStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kStorePath)) << kStorePath << " is made by the build (target sample_store)";
        store = OpenStore(kStorePath, prompter, state);
        ASSERT_NE(store, nullptr);
    }

    // Table indexes (0-based) of the entries with this listed subject.
    std::vector<std::size_t> WithSubject(const std::string& subject) const {
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < store->MsgTable.size(); ++i) {
            if (store->MsgTable[i].Subject == subject) {
                found.push_back(i);
            }
        }
        return found;
    }

    const MsgEntry& Only(const std::string& subject) const {
        const std::vector<std::size_t> found = WithSubject(subject);
        EXPECT_EQ(found.size(), 1u) << subject;
        return store->MsgTable.at(found.empty() ? 0 : found.front());
    }

    std::string Raw(const MsgEntry& entry, AttachmentPolicy policy) {
        const auto raw = ReadRawMsg(*store->bytes, entry.DataOffset, prompter, policy);
        EXPECT_TRUE(raw.has_value());
        return raw.value_or("");
    }

    testing::FakePrompter prompter;
    ContentState state;
    std::unique_ptr<OpenedStore> store;
};

TEST_F(SampleStoreTest, ListsEveryMessageWithoutComplaint) {
    const std::size_t count = SourceMessages().size();
    ASSERT_GE(count, 15u);
    EXPECT_EQ(store->DbxMsgCount, count);
    EXPECT_EQ(store->MsgCount(), count);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(store->Caption(), std::to_string(count) + "/" + std::to_string(count) +
                                    " messages complets/contenus dans le fichier Exemple.dbx");
}

TEST_F(SampleStoreTest, ConversationOfThreeSharesTheFirstMessagesKeyAndStandsTogether) {
    // The first message and the reply list the same subject ("Re: " removed); the third answers
    // under another subject and still joins them.
    std::vector<std::size_t> rows = WithSubject("Sortie v\xE9lo dimanche");
    const std::vector<std::size_t> third = WithSubject("Pique-nique apr\xE8s la sortie");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(third.size(), 1u);
    rows.push_back(third.front());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows[1], rows[0] + 1);
    EXPECT_EQ(rows[2], rows[0] + 2);
    for (std::size_t row : rows) {
        EXPECT_EQ(store->MsgTable[row].ThreadKey, "<Sortie v\xE9lo dimanche>");
    }
    EXPECT_EQ(store->MsgTable[third.front()].Sender, "Jean-Marc Lef\xE8vre");
}

TEST_F(SampleStoreTest, MessagesShowWhatTheirHeadersSay) {
    const MsgEntry& noSubject = Only("(Objet non pr\xE9"
                                     "cis\xE9)");
    EXPECT_EQ(noSubject.Sender, "mamie.jeanne@wanadoo.fr"); // From: with an address only
    EXPECT_EQ(noSubject.DateText, "02/02/2005 16:40:05");

    // A news answer whose article is not in the store keeps its own subject as key.
    const MsgEntry& news = Only("Tomates qui noircissent");
    EXPECT_EQ(news.ThreadKey, "<Tomates qui noircissent>");
    EXPECT_EQ(news.DateText, "03/07/2004 18:05:00"); // Date: without seconds
    EXPECT_NE(Raw(news, AttachmentPolicy::Whole).find("\r\nNewsgroups: fr.rec.jardinage\r\n"), std::string::npos);

    EXPECT_EQ(Only("Votre facture de janvier 2008 est disponible").DateText, "07/01/2008 09:30:00"); // "+01:00"
    EXPECT_EQ(Only("Covoiturage pour le salon de l'agriculture").DateText, "14/03/2006 08:12:45");   // Received:
    EXPECT_EQ(Only("Recette du g\xE2teau basque").Sender, "Ma\xEFt\xE9 Etcheverry"); // UTF-8 encoded word
    EXPECT_EQ(Only("Fwd: Inscription au centre de loisirs").ThreadKey, "<Inscription au centre de loisirs>");
}

TEST_F(SampleStoreTest, RawMessagesComeBackWholeOrCutBeforeTheirAttachment) {
    std::vector<std::string> sources = SourceMessages();
    std::vector<std::string> stored;
    for (const MsgEntry& entry : store->MsgTable) {
        stored.push_back(Raw(entry, AttachmentPolicy::Whole));
    }
    std::sort(sources.begin(), sources.end());
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, sources);

    const std::string photo = Raw(Only("Photo de l'Ile de Re"), AttachmentPolicy::CutAtFirstAttachment);
    EXPECT_NE(photo.find("phare des Baleines"), std::string::npos);
    EXPECT_EQ(photo.find("image/png"), std::string::npos);

    const std::string uu = Raw(Only("Nouveaux horaires de la piscine"), AttachmentPolicy::CutAtFirstAttachment);
    ASSERT_GE(uu.size(), 11u);
    EXPECT_EQ(uu.substr(uu.size() - 11), "Patrick\r\n\r\n"); // the CR LF before "begin 666" stays
}

} // namespace
} // namespace glanmail
