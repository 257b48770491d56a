#pragma once

#include "form.h"

class QLabel;
class QListWidget;
class QPushButton;

// The mission selection window: names the editor, says what this version can do and lists the
// one mission that can be edited.
class Form1 : public Form
{
    Q_OBJECT

public:
    explicit Form1(Shell &shell);

    void Form_Load() override;
    void Form_Unload() override;

private:
    void List2_Click();
    void Command1_Click();
    void Command2_Click();

    QLabel *Label3_;
    QListWidget *List2_;
    QPushButton *Command1_;
};
