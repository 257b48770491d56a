#pragma once

#include <filesystem>
#include <system_error>

// The backup rule: the first time a file is replaced, the old one is kept beside it as
// "<name>.bak"; later saves leave that backup alone. Only a file counts as a backup: anything
// else under its name (a folder, a link) is no backup, and the save is refused. A backup once
// made stays, even when the save then fails: it holds the file as it still is, and another save
// may count on it.
namespace files
{

// The backup's name for the file `file`: "<name>.bak" beside it.
[[nodiscard]] std::filesystem::path backupPath(const std::filesystem::path &file);

// Where replacing `target` would keep its first original: the backup's path beside the file that
// `target` names; empty when there is no file to keep or a backup is kept already. Throws an
// Error naming the backup's path when the backup could not be made, or something else than a
// file stands there.
[[nodiscard]] std::filesystem::path plannedBackup(const std::filesystem::path &target);

// Throws an Error unless the backup of `file` (a file that links do not lead on from) could be
// made, or is kept already. Where there is no file to keep, nothing is made and nothing can stand
// in the way.
void checkBackupPlace(const std::filesystem::path &file);

// Keeps a copy of `file` as its backup unless one is kept already (checkBackupPlace() has refused
// anything else than a file there). The backup is a file of its own, never a second name of
// `file`, which a later edit in place would change with it; it takes its name complete, in one
// step. Throws an Error naming the backup's path when it cannot be made.
void copyToBackup(const std::filesystem::path &file);

// Copies the file `from` to the new name `to` in its folder: written under the target's own copy
// name (ownnames.h), made durable, then given the name `to` in one step unless that is taken
// (std::errc::file_exists). A copy that fails leaves nothing behind.
void copyBeside(const std::filesystem::path &from, const std::filesystem::path &to,
                std::error_code &ec);

// Gives previous content of `target` kept under `kept` a name where only the user removes it:
// "<name>.previous", or the first of "<name>.previous1" to "99" that is free. Returns that name,
// or `kept` where none could be given.
[[nodiscard]] std::filesystem::path moveToPreviousName(const std::filesystem::path &target,
                                                       const std::filesystem::path &kept);

} // namespace files
