#pragma once

namespace glanmail {

// What message processing carries from one message to the next: whether the last
// message declared UTF-8. Decoding reads it, for bodies and for the subjects of the
// next store listed, so it lives as long as the session, not the message.
struct ContentState {
    bool IsUtf8 = false;
};

}  // namespace glanmail
