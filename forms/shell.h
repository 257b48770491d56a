#pragma once

#include "blockfiles.h"

#include <optional>

class Form;

// What a window asks of the program around it. The program holds the three windows, runs the
// navigation steps between them and ends the run; the windows know only this interface.
class Shell
{
public:
    virtual ~Shell() = default;

    // "Next" on the mission selection window: show the character sheet, hide the selection.
    virtual void nextFromSelection() = 0;
    // "Back" on the character sheet: hide it and the save dialog, show the selection.
    virtual void backFromSheet() = 0;
    // The last step of "Save Mission": show the save dialog, modeless, in front and active.
    virtual void showSaveDialog() = 0;
    // "OK" after a good save, "Cancel", and a failed "Save Mission": hide the save dialog, where
    // it has been made.
    virtual void hideSaveDialog() = 0;

    // The exit sequences: "Exit" on either main window, and the unloading of either of them.
    virtual void exitFromSelection() = 0;
    virtual void exitFromSheet() = 0;
    virtual void sheetUnloaded() = 0;

    // The user closed a window with its close box: unload it.
    virtual void unload(Form &form) = 0;

    // The workspace the program reads and writes (workspace.h).
    [[nodiscard]] virtual const mission::Workspace &workspace() const = 0;
    // The blocks that the sheet's last good "Save Mission" wrote, which "OK" assembles: none
    // before the first.
    virtual std::optional<mission::SavedBlocks> &savedBlocks() = 0;
};
