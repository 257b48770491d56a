#pragma once

#include <QString>

class QWidget;

// The questions the save dialog asks before it writes a mission; each is modal to the whole
// program and returns true when the user goes on.

// The workspace still holds the stand-in pieces: the mission will not be the game's own until
// the user imports their own copy, which the note says how to do. "Save anyway" goes on.
[[nodiscard]] bool confirmStandInSave(QWidget *parent);

// The name is taken: the platform's usual question, naming the file. "No" is the default.
[[nodiscard]] bool confirmReplace(QWidget *parent, const QString &fileName);
