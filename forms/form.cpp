#include "form.h"

#include "look.h"
#include "shell.h"

#include <QCloseEvent>

Form::Form(Shell &shell) : shell_(shell)
{
    setWindowIcon(look::programIcon());
}

void Form::closeEvent(QCloseEvent *event)
{
    // The program decides what becomes of the window: it unloads it, which hides it.
    event->ignore();
    shell_.unload(*this);
}
