#pragma once

#include "form.h"

class QLabel;
class QListWidget;
class QPushButton;

// The mission selection window: names the editor, says what this version can do and lists the
// one mission that can be edited.
class SelectionWindow : public Form
{
    Q_OBJECT

public:
    explicit SelectionWindow(Shell &shell);

    void onLoad() override;
    void onUnload() override;

private:
    void onMissionChosen();
    void onNext();
    void onExit();

    QLabel *intro_;
    QListWidget *missions_;
    QPushButton *next_;
};
