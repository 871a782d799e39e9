#pragma once
// Messages for the large benchmark store: realistic headers (Outlook Express, Thunderbird,
// news readers), French text, attachments in base64, replies to recent messages. Texts are
// cut from a few prepared pools, so a gigabyte is written in seconds.

#include "storewriter/StoreWriter.h"

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace glanmail::bench {

class MessageFactory {
public:
    explicit MessageFactory(std::mt19937_64& rng);

    std::string NewMessageId();

    // Mostly 2 to 20 KB, one in two hundred 100 to 500 KB with an attachment; about a third
    // answer a recent message (a few answer one that is not in the store).
    testing::WriterMessage Ordinary();
    // Message `depth` of a conversation in which each message answers the one before.
    testing::WriterMessage DeepReply(const std::vector<std::string>& ids, std::size_t depth);
    // One issue of a weekly letter: every issue has the same subject key.
    testing::WriterMessage SharedSubject();
    // A plain-text digest of `size` bytes, without attachment.
    testing::WriterMessage Large(std::size_t size);

private:
    struct Recent {
        std::string id;
        std::string subject;
        std::string references;
    };

    std::size_t Uniform(std::size_t lo, std::size_t hi); // lo..hi inclusive
    const std::string& Pick(const std::vector<std::string>& pool);
    std::int64_t NextDate();
    std::string Body(std::size_t size);   // wrapped French text with CR LF
    std::string Base64(std::size_t size); // base64 lines with CR LF
    testing::WriterMessage Make(const std::string& subject, const std::string& id, const std::string& parents,
                                const std::string& body, const std::string& contentHeaders);

    std::mt19937_64& rng_;
    std::string prose_;  // a few hundred KB of wrapped sentences
    std::string base64_; // a few hundred KB of base64 lines
    std::deque<Recent> recent_;
    std::int64_t clock_; // dates move forward, with some jitter
    std::uint64_t serial_ = 0;
};

} // namespace glanmail::bench
