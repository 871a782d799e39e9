#include "reader/MessageInfo.h"

#include "common/Text.h"
#include "content/DateText.h"
#include "reader/ConversationKeys.h"
#include "reader/LittleEndian.h"
#include "reader/StoreLayout.h"

#include <array>
#include <string_view>

namespace glanmail {
namespace {

using layout::kMaxInfoValue;

constexpr std::size_t kFirstRead = 512;

bool FitsInfoNumber(std::int64_t v) {
    return v >= -kMaxInfoValue - 1 && v <= kMaxInfoValue;
}

// Text before the first NUL.
std::string_view CutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// The index and data of one object, with the value bounds of its indirect properties.
class InfoObject {
public:
    InfoObject(std::string_view index, std::string_view data) : index_(index), data_(data) {}

    std::size_t PropCount() const { return index_.size() / layout::kIndexEntrySize; }
    int Number(std::size_t k) const { return static_cast<unsigned char>(index_[k * layout::kIndexEntrySize]); }
    // The 3-byte value of entry k, unsigned.
    std::uint32_t Value24(std::size_t k) const { return le::U24(index_, k * layout::kIndexEntrySize + 1); }

    // Start and end of every indirect value; false for a number or an offset no object can hold.
    bool LocateValues() {
        const auto dataLength = static_cast<std::int64_t>(data_.size());
        for (int n = 1; n < layout::kPropTableSize; ++n) {
            end_[static_cast<std::size_t>(n)] = dataLength;
        }
        int prev = 0;
        for (std::size_t k = 0; k < PropCount(); ++k) {
            const int n = Number(k);
            if (n >= layout::kFirstUnrecorded) {
                continue;
            }
            if (n >= layout::kPropTableSize) {
                return false;
            }
            const std::int64_t startValue = Value24(k);
            if (!FitsInfoNumber(startValue)) {
                return false;
            }
            start_[static_cast<std::size_t>(n)] = startValue;
            if (n >= 2 && prev >= 1) {
                if (!FitsInfoNumber(startValue - 1)) {
                    return false;
                }
                end_[static_cast<std::size_t>(prev)] = startValue - 1;
            }
            prev = n;
        }
        return true;
    }

    // The value of indirect property n: from its start, as long as its bounds say (at least
    // one byte), within the data area. Nothing for bounds no object can hold.
    std::optional<std::string_view> Value(int n) const {
        const auto i = static_cast<std::size_t>(n);
        std::int64_t length = end_[i] - start_[i] + 1;
        if (!FitsInfoNumber(length)) {
            return std::nullopt;
        }
        if (length < 2) {
            length = 1;
        }
        if (start_[i] < 0) {
            return std::nullopt;
        }
        const auto from = static_cast<std::size_t>(start_[i]);
        if (from >= data_.size()) {
            return std::string_view();
        }
        return data_.substr(from, static_cast<std::size_t>(length));
    }

    // MsgDataOffset: the last of properties 4 and 132 in index order.
    // Unsigned, up to 4 GiB; nothing for a value of more than 4 bytes that no store can hold.
    std::optional<std::uint32_t> DataOffset() const {
        std::uint32_t result = 0;
        for (std::size_t k = 0; k < PropCount(); ++k) {
            const int n = Number(k);
            if (n == layout::kPropDataOffset) {
                const auto value = Value(n);
                const auto number = value ? le::Unsigned(*value) : std::nullopt;
                if (!number) {
                    return std::nullopt;
                }
                result = *number;
            } else if (n == layout::kPropDataOffsetDirect) {
                result = Value24(k);
            }
        }
        return result;
    }

private:
    std::string_view index_;
    std::string_view data_;
    std::array<std::int64_t, layout::kPropTableSize> start_{};
    std::array<std::int64_t, layout::kPropTableSize> end_{};
};

std::string SubjectOf(std::string_view s) {
    const std::size_t nul = s.find('\0');
    if (nul == std::string_view::npos) {
        return std::string(s);
    }
    return text::ReplaceAll(s.substr(0, nul), "Re: ", "");
}

std::string WithoutSpaces(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

MsgInfoRead ReadMsgInfo(const ByteSource& bytes, std::uint32_t m) {
    MsgInfoRead result;
    const auto at = static_cast<std::uint64_t>(m);
    // One read serves most objects: their header and body fit in the first bytes taken.
    std::string object = bytes.Read(at, kFirstRead);
    if (object.size() < layout::kInfoIndexAt) {
        return result;
    }
    const std::string_view header(object.data(), layout::kInfoIndexAt);
    if (!le::MarkerNames(le::U32(header, 0), m)) {
        return result;
    }
    const std::int64_t length = le::U32(header, layout::kInfoLengthAt);
    const std::size_t propCount = static_cast<unsigned char>(header[layout::kInfoPropCountAt]);
    const std::int64_t indexSize = static_cast<std::int64_t>(propCount * layout::kIndexEntrySize);
    const std::int64_t dataSize = length - indexSize;
    if (dataSize < 0 || dataSize > kMaxInfoValue) {
        return result;
    }
    const std::size_t whole = layout::kInfoIndexAt + static_cast<std::size_t>(length);
    if (object.size() < whole && object.size() == kFirstRead) {
        object += bytes.Read(at + kFirstRead, whole - kFirstRead);
    }
    if (object.size() < whole) {
        return result;
    }
    const std::string_view body = std::string_view(object).substr(layout::kInfoIndexAt, whole - layout::kInfoIndexAt);
    InfoObject info(body.substr(0, static_cast<std::size_t>(indexSize)),
                    body.substr(static_cast<std::size_t>(indexSize)));
    if (!info.LocateValues()) {
        return result;
    }

    MsgInfoFields& fields = result.fields;
    for (std::size_t k = 0; k < info.PropCount(); ++k) {
        const int n = info.Number(k);
        if (n != layout::kPropSubjectKey && n != layout::kPropMessageId && n != layout::kPropSubject &&
            n != layout::kPropParents && n != layout::kPropSender && n != layout::kPropReceived) {
            continue;
        }
        const auto value = info.Value(n);
        if (!value) {
            return result;
        }
        switch (n) {
        case layout::kPropSubjectKey:
            fields.SubjectKey = StandardSubject(CutAtNul(*value));
            break;
        case layout::kPropMessageId:
            fields.MessageId = std::string(text::TrimSpaces(CutAtNul(*value)));
            break;
        case layout::kPropSubject:
            fields.Subject = SubjectOf(*value);
            break;
        case layout::kPropParents:
            fields.Chain = WithoutSpaces(CutAtNul(*value));
            break;
        case layout::kPropSender:
            fields.Sender = std::string(CutAtNul(*value));
            break;
        default:
            fields.DateText = DateString(*value);
            break;
        }
    }
    const auto dataOffset = info.DataOffset();
    if (!dataOffset) {
        return result;
    }
    result.status = *dataOffset > 0 ? InfoStatus::Complete : InfoStatus::Incomplete;
    fields.DataOffset = *dataOffset;
    return result;
}

} // namespace glanmail
