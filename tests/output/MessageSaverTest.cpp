// Messages and their attachments saved as files: names, forms, numbering, groups, failures.
#include "output/MessageSaver.h"

#include "OutputTesting.h"
#include "common/Encoding.h"
#include "common/Text.h"
#include "output/AttachmentFiles.h"
#include "output/MsgOutput.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"
#include "support/Command.h"
#include "support/FailingFiles.h"
#include "support/FakePrompter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::Entries;
using testing::ReadFile;
using testing::WriteFile;

const std::string kRaw = "From: Paul\r\nSubject: Bonjour\r\nTo: Marie\r\n\r\nCorps\r\n";
const std::string kDate = "_20040315 142530";
const std::string kHead = "Date : lundi 15 mars 2004 14:25\r\nExp\303\251diteur : Paul\r\n\r\n"; // in UTF-8

// The current message as processing leaves it for a raw message.
CurrentMessage Processed(const std::string& raw, const std::string& subject, const std::string& body = "Corps") {
    CurrentMessage m = testing::Message(subject, body);
    m.MsgHeaders = HeaderBlock(raw);
    const std::size_t s = text::Find(m.MsgHeaders, "Subject:");
    m.SubjectStart = static_cast<long>(s == text::npos ? 9 : s + 10);
    const std::size_t e = m.MsgHeaders.find("\r\n", static_cast<std::size_t>(m.SubjectStart - 1));
    m.SubjectEnd = e == std::string::npos ? 0 : static_cast<long>(e + 1);
    return m;
}

TEST(StandardNameTest, ReplacesWhatAFileNameCannotHold) {
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"Quoi ? O\xF9 ?", "Quoi_O\xF9"}, {"???", "___"}, {"L'\xE9t\xE9", "L_\xE9t\xE9"}, {"a : b", "a_b"},
        {"a :b", "a_b"}, {"x*y\\z<w>v|u\"t/s", "x_y_z_w_v_u_t_s"}, {"trailing.  ", "trailing.  "}, {"fin__", "fin"},
    };
    // clang-format on
    for (const auto& [in, out] : rows) {
        EXPECT_EQ(StandardName(in), out) << in;
    }
}

class SaverTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    testing::FakePrompter prompter;
    testing::FailingFiles files;
    MessageSaver saver{prompter, files};
    SaveTarget target{temp.Path(), "/mail/Inbox.dbx", ""};
    OutputStatus status = OutputStatus::Nothing;
    std::string Folder() const { return target.StorageFolder + "/Inbox/"; }

    // Saves and gives the name of the file written, or "" (status tells why).
    std::string Save(const std::string& subject, OutputMode mode = OutputMode::Single,
                     OutputFlags flags = OutputFlags::AllTxt(), const std::string& raw = kRaw,
                     const MessageEdits* edits = nullptr, const std::string& body = "Corps") {
        const MsgEntry entry{1, subject, "Paul", "", "20040315 142530", ""};
        status = saver.Save(flags, mode, entry, target, raw, Processed(raw, subject, body), edits);
        return status == OutputStatus::Written ? fs::path(saver.LastPath()).filename().string() : "";
    }
    void Check(const std::string& subject, OutputMode mode, OutputFlags flags, const std::string& raw,
               const MessageEdits* edits, const std::string& name, const std::string& bytes) {
        EXPECT_EQ(Save(subject, mode, flags, raw, edits), name);
        EXPECT_EQ(ReadFile(saver.LastPath()), bytes) << name;
        EXPECT_FALSE(saver.FileOpen()) << name;
    }
};

// The text form is built piece by piece (subject line, date and sender, body); a CR CR LF split
// between two pieces must still become one CR LF, as it would in one text.
TEST(TextFormBytesTest, ALineBreakSplitBetweenPiecesIsCollapsedAsInOneText) {
    CurrentMessage m;
    m.SubjectLine = "Objet : a\r";
    m.DateSenderLines = "\r\nDate\r";
    m.MsgText = "\r\n\xE9t\xE9\r\r\nfin";
    EXPECT_EQ(TextFormBytes(m, OutputMode::Single, nullptr), "Objet : a\r\nDate\r\n\xC3\xA9t\xC3\xA9\r\nfin");
    m.DateSenderLines = "Date\r\n\r";
    EXPECT_EQ(TextFormBytes(m, OutputMode::Last, nullptr),
              "\r\n\r\n" + testing::Repeat("\xE2\x80\x94", 71) + "\r\nDate\r\n\r\n\xC3\xA9t\xC3\xA9\r\nfin");
}

// An edited subject outside ASCII is written in encoded words, folded within 76 characters a
// line, which Python's email package reads back as the text typed; an ASCII subject stays.
TEST_F(SaverTest, AnEditedSubjectOutsideAsciiIsWrittenAsEncodedWords) {
    const std::string longer = "R\xE9sum\xE9 des \xE9"
                               "changes de l'ann\xE9"
                               "e 2004 : \x80 " +
                               std::string(60, 'x') + " fin";
    for (const std::string& subject : {std::string("modifi\xE9 \x80"), longer, std::string("ASCII stays =?x?= _")}) {
        const MessageEdits edits{subject, "", true, false};
        const std::string name = Save("Sujet", OutputMode::Single, OutputFlags::ModNws(), kRaw, &edits);
        const std::string saved = ReadFile(Folder() + name);
        const std::string header = HeaderBlock(saved);
        for (std::size_t at = 0, end; (end = header.find("\r\n", at)) != std::string::npos; at = end + 2) {
            EXPECT_LE(end - at, 76u) << header;
        }
        EXPECT_EQ(saved.substr(0, 12), "From: Paul\r\n");
        EXPECT_NE(saved.find("\r\nTo: Marie\r\n\r\nCorps\r\n"), std::string::npos);
        const std::string script =
            "import email,email.policy,sys\n"
            "m=email.message_from_binary_file(open(sys.argv[1],'rb'),policy=email.policy.default)\n"
            "sys.stdout.buffer.write(m['subject'].encode('utf-8'))";
        ::setenv("GLANMAIL_PY", script.c_str(), 1);
        EXPECT_EQ(testing::RunCommand("python3 -c \"$GLANMAIL_PY\" '" + Folder() + name + "'"),
                  encoding::ToUtf8(subject));
    }
}

TEST_F(SaverTest, NamesFormsNumberingAndGroups) {
    const auto txt = OutputFlags::AllTxt(), nws = OutputFlags::AllNws(), modTxt = OutputFlags::ModTxt();
    const auto S = OutputMode::Single;
    const auto text = [](const std::string& subject, const std::string& body = "Corps") {
        return "Objet : " + subject + "\r\n" + kHead + body;
    };
    const MessageEdits edits{"Salut", "Nouveau\r\ncorps", true, true}, unmodified{"x", "x", false, false};
    const std::string news = "From: a\r\nNEWSGROUPS: f\r\n\r\nx", first = "Newsgroups: f\r\n\r\nx";
    // clang-format off
    Check("Test", S, txt, kRaw, nullptr, "Test" + kDate + ".txt", text("Test"));
    Check("Test", S, txt, kRaw, nullptr, "Test-1" + kDate + ".txt", text("Test"));
    Check("Test", S, txt, kRaw, nullptr, "Test-2" + kDate + ".txt", text("Test"));
    // A later message of a group whose first one was refused is saved on its own.
    Check("Suite", OutputMode::Last, txt, kRaw, nullptr, "Suite" + kDate + ".txt", text("Suite"));
    Check("News", S, nws, news, nullptr, "News" + kDate + ".nws", news);
    Check("First", S, nws, first, nullptr, "First" + kDate + ".eml", first); // no CR LF before the header name
    Check("Body", S, nws, "A: b\r\n\r\n" + first, nullptr, "Body" + kDate + ".eml", "A: b\r\n\r\n" + first);
    Check("Group", OutputMode::First, nws, kRaw, nullptr, "Group" + kDate + ".eml", kRaw); // never grouped
    Check("Bonjour", OutputMode::First, modTxt, kRaw, &edits, "Bonjour_m" + kDate + ".txt", text("Salut", edits.Body));
    Check("Autre", S, modTxt, kRaw, &unmodified, "Autre_m" + kDate + ".txt", text("Autre"));
    // The edited original form keeps every other header and the body; a missing subject is added.
    const auto mod = [&](const char* name, const std::string& raw, const std::string& edited) {
        Check(name, S, OutputFlags::ModNws(), raw, &edits, name + ("_m" + kDate) + ".eml", edited);
    };
    mod("Bonjour", kRaw, "From: Paul\r\nSubject: Salut\r\nTo: Marie\r\n\r\nCorps\r\n");
    mod("E1", "From: a\r\nTo: b\r\n\r\nCorps", "From: a\r\nTo: b\r\nSubject: Salut\r\n\r\nCorps");
    mod("E2", "From: a", "From: a\r\nSubject: Salut\r\n");
    mod("E3", "Subject:\r\nTo: b\r\n\r\nCorps", "Subject: Salut\r\nTo: b\r\n\r\nCorps");
    mod("E4", "SUBJECT: old\r\n\r\nb", "SUBJECT: Salut\r\n\r\nb");
    // clang-format on
    EXPECT_TRUE(prompter.shown.empty());
    // Names whose UTF-8 form would pass 255 bytes are cut further.
    const std::string cut = Save(std::string(200, '\xE9')), numbered = Save(std::string(200, '\xE9')); // é: 2 bytes
    EXPECT_EQ(cut.size(), 254u); // 117 é and the tail: one more é would pass 255 bytes
    EXPECT_EQ(numbered, cut.substr(0, 232) + "-1" + kDate + ".txt");
    // A group's file: one subject line, each later message after an empty line and a separator. It gets
    // its name only when whole.
    EXPECT_EQ(Save("Sujet : un", OutputMode::First), numbered); // the last file named is still the one before
    Save("b", OutputMode::Middle, OutputFlags::AllTxt(), kRaw, nullptr, "Deux\r\r\nbis");
    EXPECT_TRUE(saver.FileOpen());
    EXPECT_FALSE(fs::exists(Folder() + "Sujet_un.txt"));
    EXPECT_EQ(Save("c", OutputMode::Last, OutputFlags::AllTxt(), kRaw, nullptr, "Trois"), "Sujet_un.txt");
    EXPECT_FALSE(saver.FileOpen());
    const std::string separator = "\r\n\r\n" + testing::Repeat("\xE2\x80\x94", 71) + "\r\n";
    EXPECT_EQ(ReadFile(Folder() + "Sujet_un.txt"), "Objet : Sujet : un\r\n" + kHead + "Corps" + separator + kHead +
                                                       "Deux\r\nbis" + separator + kHead + "Trois");
    EXPECT_EQ(saver.FilesWritten(), 18u);
    EXPECT_EQ(saver.MessagesWritten(), 20u);
}

TEST_F(SaverTest, NameCutTo255BytesPathRefusedPast4095) {
    // "_20040315 142530.txt" is 20 bytes: subjects of 234 and 235 letters make names of 254 and 255 bytes,
    // one of 236 letters is cut to 255.
    EXPECT_EQ(Save(std::string(234, 'n')), std::string(234, 'n') + kDate + ".txt");
    EXPECT_EQ(Save(std::string(235, 'n')), std::string(235, 'n') + kDate + ".txt");
    EXPECT_EQ(Save(std::string(236, 'n')), std::string(233, 'n') + "-1" + kDate + ".txt"); // taken: numbered
    EXPECT_EQ(Save(std::string(236, 'o')), std::string(235, 'o') + kDate + ".txt");
    // The store folder is the store's name without its last four characters, whatever their case.
    // clang-format off
    const std::pair<std::string, std::string> stores[] = {
        {"/m/Inbox.DBX", "/Inbox"}, {"Bo\xC3\xAEte.dbx", "/Bo\xC3\xAEte"}, {"a.dbx", "/a"}, {".dbx", "/.dbx"},
        {"..dbx", "/..dbx"}, {"...DBX", "/...DBX"}, {"....dbx", "/..."}, // never "." or ".."
        {"/m/x/Sent Items.dbx", "/Sent Items"}};
    // clang-format on
    for (const auto& [store, folder] : stores) {
        EXPECT_EQ(StoreFolderPart(store), folder);
    }

    // A long storage folder is no obstacle until the whole path passes 4,095 bytes.
    std::string storage = temp.Path();
    while (storage.size() + 201 < 4067) {
        storage += "/" + std::string(200, 'd');
    }
    storage += "/" + std::string(4067 - storage.size() - 1, 'e');
    ASSERT_EQ(storage.size(), 4067u); // + "/Inbox/" + "B_20040315 142530.txt" = 4,095
    fs::create_directories(storage);
    target.StorageFolder = storage;
    EXPECT_EQ(Save("B"), "B" + kDate + ".txt");
    EXPECT_EQ(saver.LastPath().size(), 4095u);
    for (const char* longer : {"Bo", "B"}) { // 4,096 bytes: "Bo", or "B-1" for the second "B"
        EXPECT_EQ(Save(longer), "") << longer;
        EXPECT_EQ(status, OutputStatus::Refused);
        EXPECT_EQ(prompter.Texts().back(), "Chemin trop long\r\nCe message ne sera pas enregistré");
        EXPECT_EQ(prompter.shown.back().icon, BoxIcon::Critical);
    }
    EXPECT_EQ(Entries(storage + "/Inbox"), std::vector<std::string>{"B" + kDate + ".txt"});
}

TEST_F(SaverTest, NumberingNeverWritesOverAFile) {
    fs::create_directory(Folder());
    WriteFile(Folder() + "Test" + kDate + ".txt", "keep me");
    WriteFile(Folder() + "Test-1" + kDate + ".txt", ""); // an empty file is written over
    EXPECT_EQ(Save("Test"), "Test-1" + kDate + ".txt");
    // A file that appears after this saver numbered the name is still never written over.
    WriteFile(Folder() + "Test-2" + kDate + ".txt", "later");
    EXPECT_EQ(Save("Test"), "Test-3" + kDate + ".txt");
    EXPECT_EQ(ReadFile(Folder() + "Test" + kDate + ".txt"), "keep me");
    // Nor one that takes the chosen name while the file is being written: the next free name is used.
    Save("Groupe", OutputMode::First);
    WriteFile(Folder() + "Groupe.txt", "arrived meanwhile");
    WriteFile(Folder() + "Groupe-1.txt", "");
    EXPECT_EQ(Save("b", OutputMode::Last), "Groupe-1.txt");
    EXPECT_EQ(ReadFile(Folder() + "Groupe.txt"), "arrived meanwhile");
    EXPECT_EQ(ReadFile(Folder() + "Groupe-1.txt").substr(0, 15), "Objet : Groupe\r");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SaverTest, AFullDiskLeavesNoPartialFileAndTheRerunIsClean) {
    EXPECT_EQ(Save("Un"), "Un" + kDate + ".txt");
    files.failAtByte = files.written + 20; // the disk fills 20 bytes into the next file
    EXPECT_EQ(Save("Deux"), "");
    EXPECT_EQ(status, OutputStatus::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "MsgEnd");
    EXPECT_EQ(prompter.shown[0].text, "Impossible d'écrire « " + Folder() + "Deux" + kDate + ".txt » : disque plein");
    EXPECT_EQ(Entries(Folder()), std::vector<std::string>{"Un" + kDate + ".txt"}); // no temporary file either
    // A group's file fails in its second message: none of the group is left.
    files.failAtByte = files.written + 100;
    EXPECT_EQ(Save("Trois", OutputMode::First), "Un" + kDate + ".txt");
    EXPECT_EQ(Save("Quatre", OutputMode::Last, OutputFlags::AllTxt(), kRaw, nullptr, std::string(200, 'x')), "");
    EXPECT_EQ(status, OutputStatus::Failed);
    EXPECT_FALSE(saver.FileOpen());
    EXPECT_EQ(Entries(Folder()), std::vector<std::string>{"Un" + kDate + ".txt"});
    // Room again: the same messages get their own clean names, no "-1" beside a broken copy.
    files.failAtByte = testing::FailingFiles::kNever;
    EXPECT_EQ(Save("Deux"), "Deux" + kDate + ".txt");
    EXPECT_EQ(ReadFile(Folder() + "Deux" + kDate + ".txt"), "Objet : Deux\r\n" + kHead + "Corps");
    EXPECT_EQ(saver.FilesWritten(), 2u);
}

TEST_F(SaverTest, EachFailureNamesTheFileAndItsReason) {
    const std::string name = Folder() + "Test" + kDate + ".txt";
    // clang-format off
    const std::tuple<int, std::string, OutputStatus> rows[] = {
        {ENOSPC, "disque plein", OutputStatus::Failed},
        {EDQUOT, "quota de disque dépassé", OutputStatus::Failed},
        {EROFS, "système de fichiers en lecture seule", OutputStatus::Failed},
        {EACCES, "permission refusée", OutputStatus::Failed},
        {EPERM, "permission refusée", OutputStatus::Failed},
        {EIO, "erreur d'entrée/sortie", OutputStatus::Failed},
        {ENAMETOOLONG, "nom trop long", OutputStatus::NotWritten}, // the next message has another name
        {EFBIG, "fichier trop volumineux", OutputStatus::NotWritten}, // the next one may be smaller
        {ENXIO, "erreur du système (No such device or address)", OutputStatus::Failed}};
    // clang-format on
    for (const auto& [error, reason, expected] : rows) {
        for (bool* where : {&files.failCreate, &files.failClose, &files.failRename}) {
            files.error = error;
            *where = true;
            EXPECT_EQ(Save("Test"), "") << reason;
            *where = false;
            EXPECT_EQ(status, expected) << reason;
            EXPECT_EQ(prompter.Texts().back(), "Impossible d'écrire « " + name + " » : " + reason);
        }
    }
    EXPECT_EQ(Entries(Folder()), std::vector<std::string>{});
    // The store folder cannot be made, or a file has its name.
    target.StorageFolder += "/sub";
    fs::create_directory(target.StorageFolder);
    files.failFolder = true;
    files.error = EROFS;
    EXPECT_EQ(Save("Test"), "");
    EXPECT_EQ(prompter.Texts().back(), "Impossible de créer le dossier « " + target.StorageFolder +
                                           "/Inbox » : système de fichiers en lecture seule");
    files.failFolder = false;
    WriteFile(target.StorageFolder + "/Inbox", "a file where the store folder should be");
    EXPECT_EQ(Save("Test"), "");
    EXPECT_EQ(status, OutputStatus::Failed);
    EXPECT_EQ(prompter.Texts().back(), "Impossible de créer le dossier « " + target.StorageFolder +
                                           "/Inbox » : un fichier occupe la place d'un dossier");
    EXPECT_EQ(ReadFile(target.StorageFolder + "/Inbox"), "a file where the store folder should be");
}

using testing::FailingFiles;
using testing::FakePrompter;
using testing::TempFolder;

const std::string kUnnamed = "pi\xC3\xA8"
                             "ce jointe";

TEST(AttachmentFiles, HostileNamesBecomeNamesInTheFolder) {
    struct Row {
        std::string name, safe;
    } const rows[] = {
        {"../../../x", "x"},
        {"/etc/passwd", "passwd"},
        {"C:\\Mes documents\\lettre.doc", "lettre.doc"},
        {"..", kUnnamed},
        {"dossier/..", kUnnamed},
        {"  ", kUnnamed},
        {"a\x01"
         "b\xC2\x9B"
         "c?.txt",
         "abc_.txt"},
        {"Quoi : \"rapport\" <final>|*.doc", "Quoi__rapport_ _final___.doc"},
        {std::string(300, 'a') + ".jpeg", std::string(250, 'a') + ".jpeg"},
    };
    for (const Row& row : rows) {
        const std::string safe = SafeAttachmentName(row.name);
        EXPECT_EQ(safe, row.safe) << row.name;
    }
    std::string accents;
    for (int i = 0; i < 200; ++i) {
        accents += "\xC3\xA9";
    }
    EXPECT_EQ(SafeAttachmentName(accents + ".txt"), accents.substr(0, 250) + ".txt"); // whole characters
    EXPECT_EQ(NumberedName(std::string(251, 'a') + ".txt", 12), std::string(248, 'a') + "-12.txt");
}

MsgEntry Entry(const std::string& subject) {
    MsgEntry e;
    e.Subject = subject;
    e.DateKey = "20050814 203712";
    return e;
}

// Written into DIR/<store>/<message name>/ beside the text form, dated with the message; a
// second run numbers what is there and overwrites nothing; nothing lands outside the folder.
TEST(AttachmentFiles, SavesBesideTheTextFormAndNumbersOnTheSecondRun) {
    ::setenv("TZ", "Europe/Paris", 1);
    TempFolder dir;
    const std::string store = dir.Path() + "/Inbox";
    const std::vector<Attachment> attachments{{"../../../x", true, "application/octet-stream", "un"},
                                              {"photo.png", true, "image/png", "png"},
                                              {"photo.png", true, "image/png", "autre"}};
    FakePrompter prompter;
    AttachmentSaver saver(prompter);
    const MsgEntry entry = Entry("Photo de l'Ile de R\xE9");
    ASSERT_EQ(saver.Save(attachments, entry, store), OutputStatus::Written);
    ASSERT_EQ(saver.Save(attachments, entry, store), OutputStatus::Written);
    const std::string folder = store + "/Photo de l_Ile de R\xC3\xA9_20050814 203712/";
    std::set<std::string> names;
    for (const auto& f : fs::recursive_directory_iterator(dir.Path())) {
        names.insert(f.path().string().substr(dir.Path().size()));
    }
    const std::string m = folder.substr(dir.Path().size());
    EXPECT_EQ(names, (std::set<std::string>{"/Inbox", m.substr(0, m.size() - 1), m + "x", m + "x-1", m + "photo.png",
                                            m + "photo-1.png", m + "photo-2.png", m + "photo-3.png"}));
    EXPECT_EQ(ReadFile(folder + "photo-1.png"), "autre");
    EXPECT_EQ(saver.FilesWritten(), 6u);
    struct stat st {};
    ASSERT_EQ(::stat((folder + "x").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, MessageTime(entry.DateKey));
    EXPECT_EQ(MessageTime(entry.DateKey), 1124044632); // 14 August 2005 20:37:12, summer time in Paris
    EXPECT_EQ(MessageTime("2005081420371"), -1);
    EXPECT_EQ(saver.Save({}, entry, store), OutputStatus::Nothing);
    EXPECT_TRUE(prompter.shown.empty());
}

// A failed write leaves nothing behind and says which file; a full disk stops the command.
TEST(AttachmentFiles, FailuresLeaveNothing) {
    TempFolder dir;
    FailingFiles files;
    files.failAtByte = 3;
    FakePrompter prompter;
    AttachmentSaver saver(prompter, files);
    EXPECT_EQ(saver.Save({{"a.bin", true, "application/x", "12345"}}, Entry("S"), dir.Path() + "/Inbox"),
              OutputStatus::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("a.bin"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.Path() + "/Inbox/S_20050814 203712"));
    files.failAtByte = FailingFiles::kNever;
    files.failFolder = true;
    files.error = ENAMETOOLONG;
    EXPECT_EQ(saver.Save({{"a.bin", true, "application/x", "1"}}, Entry("T"), dir.Path() + "/Inbox"),
              OutputStatus::NotWritten);
    EXPECT_EQ(saver.FilesWritten(), 0u);
}

} // namespace
} // namespace glanmail
