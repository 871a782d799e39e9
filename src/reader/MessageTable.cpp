#include "reader/MessageTable.h"

#include "content/DateText.h"
#include "content/Decode.h"
#include "reader/MessageInfo.h"
#include "reader/SortMsgTable.h"

#include <algorithm>
#include <array>
#include <exception>
#include <numeric>
#include <system_error>
#include <thread>

namespace glanmail {
namespace {

using ByteSet = std::array<bool, 256>;

// The first bytes of every match of the decoder's rules (without UTF-8), in either letter case:
// "=" (escapes, soft line breaks), "&" (references), LF (the last rule), Ž or ž, and Ã or ã
// ("ÃƒÂ©").
ByteSet DecodeStarts() {
    ByteSet set{};
    for (const char c : {'=', '&', '\n', '\x8E', '\x9E', '\xC3', '\xE3'}) {
        set[static_cast<unsigned char>(c)] = true;
    }
    return set;
}

// The listing's view of the store: every read takes just what it asks for, so the objects are
// read and the messages between them are not.
class SizedReads : public ByteSource {
public:
    explicit SizedReads(const ByteSource& bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.Size(); }
    std::string Read(std::uint64_t offset, std::size_t n) const override { return bytes_.ReadSized(offset, n); }

private:
    const ByteSource& bytes_;
};

} // namespace

bool SubjectNeedsDecode(std::string_view s) {
    static const ByteSet starts = DecodeStarts();
    for (const char c : s) {
        if (starts[static_cast<unsigned char>(c)]) {
            return true;
        }
    }
    return false;
}

std::string ListSubject(std::string stored) {
    if (stored.empty()) {
        return kNoSubject;
    }
    stored.erase(std::remove_if(stored.begin(), stored.end(),
                                [](char c) {
                                    const auto b = static_cast<unsigned char>(c);
                                    return b >= 1 && b <= 31;
                                }),
                 stored.end());
    // No rule can match anywhere, so every rule leaves the text as it found it.
    if (!SubjectNeedsDecode(stored)) {
        return stored;
    }
    // The list does not depend on which message was opened before: subjects are read as text
    // that declares no UTF-8.
    DecodeInPlace(stored, false);
    return stored;
}

namespace {

// One message-info object as read, with its row's listed fields made when it is complete.
struct RowRead {
    MsgInfoRead info;
    MsgEntry entry;
};

void ReadRow(const ByteSource& bytes, std::uint32_t offset, RowRead& row) {
    row.info = ReadMsgInfo(bytes, offset);
    if (row.info.status != InfoStatus::Complete) {
        return;
    }
    MsgInfoFields& fields = row.info.fields;
    row.entry.DataOffset = fields.DataOffset;
    row.entry.Subject = ListSubject(std::move(fields.Subject));
    row.entry.Sender = std::move(fields.Sender);
    row.entry.DateText = std::move(fields.DateText);
    // The sort key of the date depends on the date alone, so it is made while the entry is at
    // hand and moves with it.
    row.entry.DateKey = DateSort(row.entry.DateText);
}

// Below this many objects a second thread costs more than it saves.
constexpr std::size_t kRowsForTwoThreads = 4096;

} // namespace

MsgTableBuild ReadMsgRows(const ByteSource& bytes, const std::vector<std::uint32_t>& infoOffsets,
                          const BuildProgress* progress) {
    // The objects are read in file order, whatever the order of the index, each with a read of
    // its own size; the rows keep the order of the index.
    std::vector<std::uint32_t> fileOrder(infoOffsets.size());
    std::iota(fileOrder.begin(), fileOrder.end(), 0u);
    std::stable_sort(fileOrder.begin(), fileOrder.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return infoOffsets[a] < infoOffsets[b]; });
    const SizedReads sized(bytes);
    std::vector<RowRead> rows(infoOffsets.size());
    const auto readRange = [&](std::size_t from, std::size_t to, const BuildProgress* told) {
        for (std::size_t i = from; i < to; ++i) {
            ReportStep(told, i + 1);
            ReadRow(sized, infoOffsets[fileOrder[i]], rows[fileOrder[i]]);
        }
    };
    // Reading and decoding the objects is most of the listing's work: a second thread takes the
    // second half of the file while this one, which tells the progress, takes the first.
    std::size_t half = fileOrder.size();
    std::thread second;
    std::exception_ptr secondFailed;
    if (fileOrder.size() >= kRowsForTwoThreads) {
        try {
            second = std::thread([&, from = fileOrder.size() / 2] {
                try {
                    readRange(from, fileOrder.size(), nullptr);
                } catch (...) {
                    secondFailed = std::current_exception();
                }
            });
            half = fileOrder.size() / 2;
        } catch (const std::system_error&) {
            // No thread to be had: this one reads everything.
        }
    }
    try {
        readRange(0, half, progress);
    } catch (...) {
        if (second.joinable()) {
            second.join();
        }
        throw;
    }
    if (second.joinable()) {
        second.join();
    }
    if (secondFailed) {
        std::rethrow_exception(secondFailed);
    }

    MsgTableBuild build;
    build.table.reserve(rows.size());
    build.threads.reserve(rows.size());
    for (RowRead& row : rows) {
        if (row.info.status != InfoStatus::Complete) {
            build.unreadable += row.info.status == InfoStatus::Unreadable ? 1 : 0;
            continue;
        }
        MsgInfoFields& fields = row.info.fields;
        build.table.push_back(std::move(row.entry));
        build.threads.push_back({std::move(fields.SubjectKey), std::move(fields.MessageId), std::move(fields.Chain)});
    }
    ReportPhase(progress, 1);
    ReportPhase(progress, 2);
    return build;
}

void FinishMsgTable(MsgTableBuild& build, const BuildProgress* progress) {
    std::vector<MsgEntry>& table = build.table;
    if (table.empty()) {
        build.threads.clear();
        return;
    }
    std::vector<std::string> keys = ResolveThreadKeys(build.threads, progress);
    for (std::size_t c = 0; c < table.size() && c < keys.size(); ++c) {
        table[c].ThreadKey = std::move(keys[c]);
    }
    build.threads.clear();
    build.threads.shrink_to_fit();
    SortMsgTable(table);
}

MsgTableBuild BuildMsgTable(const ByteSource& bytes, const std::vector<std::uint32_t>& infoOffsets,
                            const BuildProgress* progress) {
    MsgTableBuild build = ReadMsgRows(bytes, infoOffsets, progress);
    FinishMsgTable(build, progress);
    return build;
}

} // namespace glanmail
