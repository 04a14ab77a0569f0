// What the engine and its programs do with whole files, in terms of the
// file-system interface (file_system.h): ask whether a file is there, read it
// whole, remove a leftover, and give a file new content in one atomic step
// through a temporary file beside it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_system.h"

namespace xpconv {

// True when the length of the file at path can be queried without an error.
bool FileExists(FileSystem& fs, const std::string& path);

// Every byte of the file at path. Raises as OpenInput and ReadAll do.
std::string ReadWholeFile(FileSystem& fs, const std::string& path);

// The same, or nullopt when the file is not there (FileExists).
std::optional<std::string> ReadFileIfThere(FileSystem& fs, const std::string& path);

// Removes the file at path when it is there: a temporary file an earlier
// failure left behind, which holds nothing of value. Raises when it is there
// and cannot be removed.
void RemoveIfThere(FileSystem& fs, const std::string& path);

// Puts bytes in the place of the file at target in one atomic step: written
// into the new file temp (beside target), then FileSystem::Replace. On a
// failure temp, once created, is removed on a best-effort basis, and the
// error that brought us there is raised.
void WriteAtomically(FileSystem& fs, const std::string& target, const std::string& temp,
                     std::string_view bytes);

// The same with content made piece by piece: write writes it into the open
// temporary file.
void WriteAtomically(FileSystem& fs, const std::string& target, const std::string& temp,
                     const std::function<void(OutputFile&)>& write);

// The same with a copy of the file at source as the new content. A copy that
// failed may have left part of temp, which is then removed too.
void CopyAtomically(FileSystem& fs, const std::string& source, const std::string& target,
                    const std::string& temp);

}  // namespace xpconv
