#include "form2.h"

#include "look.h"

Form2::Form2(Shell &shell) : Form(shell)
{
    look::setUpWindow(this, QStringLiteral("Save Mission"), QRect(3765, 2940, 4380, 3315));
}
