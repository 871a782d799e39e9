#pragma once
// Shared helpers of the reader tests: opening a store written in memory.

#include "reader/Store.h"
#include "support/FakePrompter.h"
#include "support/StoreWriter.h"

#include <memory>
#include <string>
#include <vector>

namespace glanmail::testing {

inline std::unique_ptr<OpenedStore> OpenBytes(const std::string& bytes, FakePrompter& prompter,
                                              const std::string& name = "Test.dbx", bool isUtf8 = false) {
    ContentState state;
    state.IsUtf8 = isUtf8;
    return OpenStoreBytes(std::make_unique<MemorySource>(bytes), name, prompter, state);
}

// A plain message with the properties a mail program stores.
inline WriterMessage Mail(const std::string& subject, const std::string& id, const std::string& body = "Corps\r\n") {
    WriterMessage m;
    m.raw = "Subject: " + subject + "\r\nMessage-ID: " + id + "\r\n\r\n" + body;
    m.subject = subject;
    m.subjectKey = subject;
    m.messageId = id;
    m.sender = "Alice";
    m.received = FiletimeFromUnix(1018744077); // 2002-04-14 00:27:57 UTC
    return m;
}

} // namespace glanmail::testing
