#pragma once

#include "form.h"
#include "sheetvalues.h"

#include <QString>

#include <array>
#include <cstddef>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

// The Green Beret's character sheet: his inventory, whether enemies see him and whether he can
// die, his appearance; "Save Mission" writes his character and interface blocks.
class CharacterSheet : public Form
{
    Q_OBJECT

public:
    explicit CharacterSheet(Shell &shell);

    void onLoad() override;
    void onUnload() override;

    // The current Values of the twelve boxes the mission writers read.
    [[nodiscard]] mission::SheetValues values() const;
    // The animation token of the appearance chosen: "COMANDO" until another is chosen.
    [[nodiscard]] const QString &animation() const { return animation_; }

private:
    void onAppearanceChosen();
    void onSaveMission();
    void onBack();
    void onExit();
    void onRemove();

    // Shows the picture that the appearance's holder already has in memory.
    void showAppearance(std::size_t row);

    std::array<QCheckBox *, 12> boxes_{};
    QLabel *portrait_;
    QListWidget *appearances_;
    QPushButton *saveMission_;
    QString animation_;
};
