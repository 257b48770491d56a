#pragma once

#include "form.h"

// The Green Beret's character sheet.
class gb : public Form
{
    Q_OBJECT

public:
    explicit gb(Shell &shell);

    void Form_Load() override;
    void Form_Unload() override;
};
