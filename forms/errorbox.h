#pragma once

#include "folderlock.h"

#include <QString>

#include <functional>

class QWidget;

// Tells the user that an action failed and why, in a message box modal to the whole program;
// returns when the user has dismissed it.
void showError(QWidget *parent, const QString &action, const QString &reason);

// Runs a step of saving the mission. If it fails, the user is told that the mission could not be
// saved and why (the error names the file and the reason), and the result is false; the window
// stays as it was, so the user can put things right and save again.
[[nodiscard]] bool trySave(QWidget *parent, const std::function<void()> &save);

// How a save from `parent` waits while another program saves in the same folder: a dialog, modal
// to the whole program, says so at once and offers "Cancel"; the windows repaint meanwhile. The
// wait ends when the other save does, when the user cancels, or after kLongestWaitMs.
inline constexpr int kLongestWaitMs = 30'000;
[[nodiscard]] files::WaitForFolder waitShowingProgress(QWidget *parent);
