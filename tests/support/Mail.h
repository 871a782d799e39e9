#pragma once
// A message for the store writer, filled as most tests need it.

#include "storewriter/StoreWriter.h"

#include <cstdint>
#include <string>

namespace glanmail::testing {

// A message with its subject (also the key its conversation is sorted by), its raw text and its
// receipt time (by default 15 March 2004 14:25:30 in Paris).
inline WriterMessage Mail(const std::string& subject, const std::string& raw, std::int64_t received = 1079357130) {
    WriterMessage m;
    m.subject = m.subjectKey = subject;
    m.raw = raw;
    m.received = FiletimeFromUnix(received);
    return m;
}

} // namespace glanmail::testing
