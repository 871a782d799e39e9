#pragma once
// Opening a store for a command: every refusal is one line on standard error.

#include "CliPrompter.h"
#include "app/Session.h"
#include "reader/Store.h"

#include <memory>
#include <string>

namespace glanmail::cli {

// The store at path, or nullptr when it is refused. prompter carries the boxes (cli itself,
// or a prompter wrapped around it); cli counts them, so that a refusal the reader did not
// explain (a store without an index tree) still gets its line. With recover, a refused
// store that is a readable file opens all the same with an empty list and a warning, so
// that the recovery scan searches its bytes (a zero count, a zero or broken root).
std::unique_ptr<OpenedStore> OpenForCommand(const std::string& path, CliPrompter& cli, Prompter& prompter,
                                            bool recover = false);

// Opens the store at path in the session, in place of the one open; the damage passed over
// is kept in the store for ReportStoreDamage. False when the store is refused: every refusal
// has its line, through prompter when the reader gave none (a store without an index tree).
bool OpenInSession(Session& session, const std::string& path, Prompter& prompter);

} // namespace glanmail::cli
