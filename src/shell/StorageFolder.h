#pragma once
// The storage folder: all output goes under "Documents Glanmail", inside a parent folder
// the user chooses with the folder dialog.

#include "common/FileSystem.h"
#include "common/Prompter.h"

#include <string>
#include <string_view>

namespace glanmail {

inline constexpr const char* kStorageFolderName = "Documents Glanmail";

// The folder dialog's instruction: the first line, then "'<proposed>' par défaut" on a
// second line when there is a proposal.
std::string StoragePrompt(const std::string& proposed);

// Lets the user choose the parent of the storage folder, starting on the proposed folder.
// Empty when the user cancels, or chooses a folder whose path holds a line break (told).
std::string ChooseStorageParent(const std::string& proposed, Prompter& prompter);

// parent + "/Documents Glanmail" (the root gives "/Documents Glanmail", not a doubled "/").
std::string StorageFolderIn(const std::string& parent);

// The storage folder's parent: the path before its last "/" ("/" for a folder of the root).
std::string StorageParent(const std::string& storageFolder);

// Creates the storage folder through files when it does not exist. A failure is reported in
// a box with the given title; the folder's path is kept all the same, so saving reports it again.
bool EnsureStorageFolder(const std::string& folder, const std::string& title, Prompter& prompter,
                         FileSystem& files = SystemFiles());

// The folder dialog's status line for the highlighted folder: its whole path, the home
// folder written "~", so that the user sees where the storage folder will be.
std::string BrowseStatusText(std::string_view path, std::string_view home);

} // namespace glanmail
