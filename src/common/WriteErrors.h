#pragma once
// The user's words for a failed file operation: which file, and why, in French. The one
// table of the program that turns a system error number into words.

#include <string>

namespace glanmail {

// Why a file operation failed, from the system's error number: "disque plein", "quota de
// disque dépassé", ... For a number without a text of its own, the system's description.
std::string SystemErrorText(int error);

// "Impossible d'écrire « PATH » : REASON".
std::string CannotWrite(const std::string& path, int error);

// "Impossible de créer le dossier « PATH » : REASON".
std::string CannotCreateFolder(const std::string& path, int error);

// "Impossible d'écrire sur la sortie standard : REASON".
std::string CannotWriteStandardOutput(int error);

// True for failures that the next file would meet too (a full disk, a quota, a read-only
// or failing device, a folder refused): a batch stops at the first of them rather than
// reporting it once per message.
bool FailureRepeats(int error);

} // namespace glanmail
