#pragma once
// Shared helpers of the reader tests.
#include "reader/Store.h"
#include "storewriter/StoreWriter.h"
#include "support/FakePrompter.h"

#include <memory>
#include <string>
#include <vector>

namespace glanmail::testing {

inline std::unique_ptr<OpenedStore> OpenBytes(const std::string& bytes, FakePrompter& prompter,
                                              const std::string& name = "Test.dbx", bool recover = false) {
    return OpenStoreBytes(std::make_unique<MemorySource>(bytes), name, prompter, recover);
}

// A plain message with the properties a mail program stores.
inline WriterMessage Mail(const std::string& subject, const std::string& id, const std::string& body = "Corps\r\n") {
    WriterMessage m;
    m.raw = "Subject: " + subject + "\r\nMessage-ID: " + id + "\r\n\r\n" + body;
    m.subject = m.subjectKey = subject;
    m.messageId = id;
    m.sender = "Alice";
    m.received = FiletimeFromUnix(1018744077); // 2002-04-14 00:27:57 UTC
    return m;
}

// n messages "Sujet <i>" with IDs "<i@x>".
inline std::vector<WriterMessage> Mails(int n, const std::string& body = "Corps\r\n") {
    std::vector<WriterMessage> all;
    for (int i = 0; i < n; ++i) {
        all.push_back(Mail("Sujet " + std::to_string(i), "<" + std::to_string(i) + "@x>", body));
    }
    return all;
}

} // namespace glanmail::testing
