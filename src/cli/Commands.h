#pragma once
// The commands of glanmail-cli. Each takes the arguments after its name and writes to
// the given streams, so tests can run them without a process.

#include "common/FileSystem.h"

#include <ostream>
#include <string>
#include <vector>

namespace glanmail::cli {

using Args = std::vector<std::string>;

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSkipped = 1;       // the command ran, but some messages were not written
inline constexpr int kExitBadStore = 2;      // a store was refused or is damaged
inline constexpr int kExitUsage = 64;        // the command line is wrong (as sysexits' EX_USAGE)
inline constexpr int kExitOutput = 74;       // output could not be written (as sysexits' EX_IOERR)
inline constexpr int kExitInterrupted = 130; // stopped by Ctrl+C (128 + SIGINT, as shells report it)

int RunList(const Args& args, std::ostream& out, std::ostream& err);
int RunRaw(const Args& args, std::ostream& out, std::ostream& err);
int RunShow(const Args& args, std::ostream& out, std::ostream& err);
// Files are written through files (tests make it fail).
int RunSave(const Args& args, std::ostream& out, std::ostream& err, FileSystem& files = SystemFiles());

// Dispatches argv (without the program name) to a command, then makes sure all its
// output was written (FinishOutput).
int RunCli(const Args& args, std::ostream& out, std::ostream& err);

// Flushes out; when some of it could not be written, says so on err and gives kExitOutput
// (quietly for a reader that went away: a closed pipe). Otherwise gives status.
int FinishOutput(int status, std::ostream& out, std::ostream& err);

// The message for an ID the store does not list (ID from 1 to count).
std::string NoSuchMessage(std::size_t id, const std::string& storeName, std::size_t count);

// Parses a message ID (1-based, decimal, no sign); 0 when it is not one.
std::size_t ParseId(const std::string& s);

} // namespace glanmail::cli
