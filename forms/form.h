#pragma once

#include <QWidget>

class Shell;

// A window of the program: created and loaded by the program on first use, hidden rather than
// closed while the program runs, and unloaded (discarded) on the way out.
class Form : public QWidget
{
    Q_OBJECT

public:
    explicit Form(Shell &shell);

    // Runs once, right after the window is created.
    virtual void Form_Load() {}
    // Runs when the window is unloaded; it never cancels the unload.
    virtual void Form_Unload() {}

    // A dialog, as screen readers tell the user; otherwise a main window.
    [[nodiscard]] virtual bool isDialog() const { return false; }

protected:
    void closeEvent(QCloseEvent *event) override;
    // The first showing keeps the window within the screen's available area.
    void showEvent(QShowEvent *event) override;

    [[nodiscard]] Shell &shell() const { return shell_; }

private:
    Shell &shell_;
    bool placed_ = false;
};
