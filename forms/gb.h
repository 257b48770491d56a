#pragma once

#include "form.h"
#include "sheetvalues.h"

#include <array>
#include <cstddef>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

// The Green Beret's character sheet: his inventory, whether enemies see him and whether he can
// die, his appearance; "Save Mission" writes his character and interface blocks.
class gb : public Form
{
    Q_OBJECT

public:
    explicit gb(Shell &shell);

    void Form_Load() override;
    void Form_Unload() override;

    // The current Values of the twelve boxes the mission writers read.
    [[nodiscard]] mission::SheetValues values() const;

private:
    void grafico_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void gb_remove_Click();

    // Shows the picture that the appearance's holder already has in memory.
    void showAppearance(std::size_t row);

    std::array<QCheckBox *, 12> boxes_{};
    QLabel *foto_;
    QListWidget *grafico_;
    QPushButton *Command1_;
};
