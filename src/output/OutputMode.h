#pragma once
// Where a message stands in its output: on its own, or first, middle or last of a
// conversation written into one file or one print job. The enumeration itself lives with
// message processing, which receives it too.

#include "content/MsgProcessing.h"

namespace glanmail {

// Single and First start a file or a print job.
inline bool StartsOutput(OutputMode mode) {
    return mode == OutputMode::Single || mode == OutputMode::First;
}
// Single and Last close it.
inline bool EndsOutput(OutputMode mode) {
    return mode == OutputMode::Single || mode == OutputMode::Last;
}

} // namespace glanmail
