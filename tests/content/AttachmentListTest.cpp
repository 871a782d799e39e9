#include "content/AttachmentList.h"

#include "common/Text.h"
#include "reader/LittleEndian.h"
#include "support/Command.h"
#include "support/Files.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace glanmail {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(GLANMAIL_SOURCE_DIR) / "tests/content/attachments";

// The lines attachments_reference.py prints: name ("" when the part gives none), type, hex.
std::string Listed(const AttachmentList& list) {
    std::string out;
    for (const Attachment& a : list.Items) {
        out +=
            (a.NameGiven ? a.Name : std::string()) + "\t" + a.Type + "\t" + text::Folded(le::HexText(a.Content)) + "\n";
    }
    return out;
}

std::string PythonListing(const fs::path& message) {
    return testing::RunCommand("python3 '" + (kCorpus.parent_path() / "attachments_reference.py").string() + "' '" +
                               message.string() + "'");
}

std::string Crlf(const std::string& s) {
    return text::ReplaceAll(s, "\n", "\r\n");
}

// Every message of the corpus lists, byte for byte, the attachments Python's email package
// finds in it (names, types, decoded contents).
TEST(AttachmentList, CorpusMatchesPythonsEmailPackage) {
    if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 is missing";
    }
    std::size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(kCorpus)) {
        if (entry.path().extension() != ".eml") {
            continue;
        }
        const std::string raw = testing::ReadFile(entry.path().string());
        const std::string expected = PythonListing(entry.path());
        ASSERT_FALSE(expected.empty()) << entry.path();
        EXPECT_EQ(Listed(ListAttachments(raw)), expected) << entry.path();
        ++checked;
    }
    EXPECT_GE(checked, 8u);
}

// What Python gives no name for gets one from its type and place; the embedded message is
// written as it stands in the part.
TEST(AttachmentList, NamesFromTheTypeAndTheForwardedMessageAsWritten) {
    const AttachmentList list = ListAttachments(testing::ReadFile((kCorpus / "forwarded-and-unnamed.eml").string()));
    ASSERT_EQ(list.Items.size(), 2u);
    EXPECT_EQ(list.Items[0].Name, "pi\xC3\xA8"
                                  "ce jointe 1.png");
    EXPECT_EQ(list.Items[1].Name, "message 2.eml");
    EXPECT_EQ(list.Items[1].Content.substr(0, 46), "From: c@d.fr\r\nSubject: Inscription au centre d");
    EXPECT_FALSE(list.Truncated);
}

TEST(AttachmentList, DecodesLenientlyAndKeepsTextPartsOut) {
    struct Row {
        const char* raw;
        const char* listed; // name \t type \t hex, one line each
    } const rows[] = {
        // Line breaks inside a group of four, no padding, a stray character.
        {"Content-Type: application/x; name=a\nContent-Transfer-Encoding: base64\n\nYW\nJj!ZA\n",
         "a\tapplication/x\t61626364\n"},
        // A text part with a name is an attachment; one without is the text shown.
        {"Content-Type: multipart/mixed; boundary=b\n\n--b\n\nshown\n--b\nContent-Type: text/plain; name=n.txt\n\n"
         "kept\n--b--\n",
         "n.txt\ttext/plain\t6b657074\n"},
        // A declared size is not believed; a delimiter line cut short ends the last part.
        {"Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Disposition: attachment; filename=s; "
         "size=4294967296\n\nxy\n--bb\n",
         "s\ttext/plain\t78790d0a2d2d62620d0a\n"},
        // Quoted-printable: soft breaks joined, "=" before something else kept, blanks kept as Python keeps them.
        {"Content-Type: image/x; name=q\nContent-Transfer-Encoding: Quoted-Printable\n\na=3D=\nb=zz  \nc",
         "q\timage/x\t613d623d7a7a20200d0a63\n"},
        // A multipart without a boundary holds no part of its own; a plain message, no attachment.
        {"Content-Type: multipart/mixed\n\n--b\nContent-Type: image/png\n\nx\n", ""},
        {"Subject: x\n\nbegin 644\nbegin 64 x\nno file\n", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Listed(ListAttachments(Crlf(row.raw))), row.listed) << row.raw;
    }
}

// Hostile structure: nesting far past the bound, a million parts. Each gives what lies within
// the bounds, says it was cut, and takes little time.
TEST(AttachmentList, BoundsNestingAndPartCount) {
    const auto start = std::chrono::steady_clock::now();
    std::string nested;
    for (int i = 0; i < 5000; ++i) {
        nested +=
            "Content-Type: multipart/mixed; boundary=" + std::to_string(i) + "\r\n\r\n--" + std::to_string(i) + "\r\n";
    }
    nested += "Content-Type: image/png\r\n\r\nx";
    const AttachmentList deep = ListAttachments(nested);
    EXPECT_TRUE(deep.Truncated);
    EXPECT_TRUE(deep.Items.empty());

    std::string many = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 150000; ++i) {
        many += "--b\r\nContent-Type: image/gif\r\n\r\nG\r\n";
    }
    const AttachmentList wide = ListAttachments(many);
    EXPECT_TRUE(wide.Truncated);
    EXPECT_EQ(wide.Items.size(), kMaxParts - 1); // the message itself is a part
    EXPECT_EQ(wide.Items.back().Content, "G");

    std::string shallow = nested.substr(0, nested.find("--999\r\n") + 7) + "Content-Type: image/png\r\n\r\nx";
    EXPECT_EQ(ListAttachments(shallow).Items.size(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

} // namespace
} // namespace glanmail
