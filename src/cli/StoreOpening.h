#pragma once
// Opening a store for a command, through the session as the window opens it: every refusal is
// one line on standard error.

#include "app/Session.h"
#include "common/Prompter.h"

#include <string>

namespace glanmail::cli {

enum class CommandStore {
    Refused,
    Listed,
    SearchedWhole // its header or index could not be read, and the whole file was searched (--recover)
};

// Opens the store at path in the session, in place of the one open; the damage passed over is
// kept in the store for ReportStoreDamage. With recover, the messages the index no longer
// reaches join the list, and a file whose header or index cannot be read is searched whole,
// with a line that says so after the reason. Every refusal has its line, through prompter
// when the reader gave none (a store without an index tree).
CommandStore OpenInSession(Session& session, const std::string& path, bool recover, Prompter& prompter);

} // namespace glanmail::cli
