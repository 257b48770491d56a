#pragma once

#include "form.h"

// The "Save Mission" dialog: where the finished mission file goes and under which name.
class Form2 : public Form
{
    Q_OBJECT

public:
    explicit Form2(Shell &shell);
};
