#pragma once

#include <filesystem>

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

// Keeps `file` as its backup unless one is kept already, in one step that either makes the backup
// or finds one there, so that two saves at once cannot both think they made it. Throws an Error
// naming the backup's path when something else than a file stands there, or it cannot be made.
void keepBackup(const std::filesystem::path &file);

} // namespace files
