#pragma once

namespace glanmail {

// What the message being processed declares about its text: whether it is UTF-8. Message
// processing sets it from that message alone, so a message reads the same whatever was read
// before it; nothing here carries from one message to the next.
struct ContentState {
    bool IsUtf8 = false;
};

} // namespace glanmail
