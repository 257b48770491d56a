#pragma once

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
