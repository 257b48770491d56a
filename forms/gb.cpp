#include "gb.h"

#include "look.h"
#include "shell.h"

gb::gb(Shell &shell) : Form(shell)
{
    look::setUpWindow(this, QStringLiteral("GB in [Guess who's coming tonight]"),
                      QRect(2130, 1650, 7680, 5775));
}

void gb::Form_Load()
{
    shell().gb_anim() = QStringLiteral("COMANDO");
}

void gb::Form_Unload()
{
    shell().sheetUnloaded();
}
