#pragma once
// The commands of glanmail-cli. Each writes to the given streams, so tests can run them
// without a process.

#include "CommandOptions.h"
#include "common/FileSystem.h"

#include <ostream>
#include <string>
#include <vector>

namespace glanmail::cli {

using Args = std::vector<std::string>;

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSkipped = 1;       // done, but some messages were left out or are incomplete
inline constexpr int kExitBadStore = 2;      // a store was refused or is damaged
inline constexpr int kExitUsage = 64;        // the command line is wrong (as sysexits' EX_USAGE)
inline constexpr int kExitOutput = 74;       // output could not be written (as sysexits' EX_IOERR)
inline constexpr int kExitInterrupted = 130; // stopped by Ctrl+C (128 + SIGINT, as shells report it)

// Parses argv (without the program name), runs the command, then makes sure all its
// output was written (FinishOutput). Saved files are written through files.
int RunCli(const Args& args, std::ostream& out, std::ostream& err, FileSystem& files = SystemFiles());

// One command with its arguments (the command's name left out).
int RunList(const Args& args, std::ostream& out, std::ostream& err);
int RunRaw(const Args& args, std::ostream& out, std::ostream& err);
int RunShow(const Args& args, std::ostream& out, std::ostream& err);
int RunSearch(const Args& args, std::ostream& out, std::ostream& err);
int RunSave(const Args& args, std::ostream& out, std::ostream& err, FileSystem& files = SystemFiles());

// The commands themselves, on checked options.
int List(const ListOptions& o, std::ostream& out, std::ostream& err);
int Raw(const MessageOptions& o, std::ostream& out, std::ostream& err);
int Show(const MessageOptions& o, std::ostream& out, std::ostream& err);
int Search(const SearchOptions& o, std::ostream& out, std::ostream& err);
int Save(const SaveOptions& o, std::ostream& out, std::ostream& err, FileSystem& files);

// Flushes out; when some of it could not be written, says so on err and gives kExitOutput
// (quietly for a reader that went away: a closed pipe). Otherwise gives status.
int FinishOutput(int status, std::ostream& out, std::ostream& err);

// "glanmail-cli save STORE... --storage DIR [...]": the usage line of a command ("" for the program).
std::string UsageLine(const std::string& command);

// The text for an ID the store does not list (IDs run from 1 to count).
std::string NoSuchMessage(std::size_t id, std::size_t count);

// Parses a message ID (1-based, decimal, no sign); 0 when it is not one.
std::size_t ParseId(const std::string& s);

} // namespace glanmail::cli
