#pragma once

#include <QWidget>

class QAccessibleInterface;
class Shell;

// A window of the program: created and loaded by the program on first use, hidden rather than
// closed while the program runs, and unloaded (discarded) on the way out.
class Form : public QWidget
{
    Q_OBJECT

public:
    explicit Form(Shell &shell);

    // Runs once, right after the window is created.
    virtual void onLoad() {}
    // Runs when the window is unloaded; it never cancels the unload.
    virtual void onUnload() {}

    // A dialog, as screen readers tell the user; otherwise a main window.
    [[nodiscard]] virtual bool isDialog() const { return false; }

    // What screen readers are told of a form (a factory for QAccessible::installFactory).
    static QAccessibleInterface *accessibleInterface(const QString &key, QObject *object);

protected:
    void closeEvent(QCloseEvent *event) override;
    // The first showing keeps the window within the screen's available area.
    void showEvent(QShowEvent *event) override;

    [[nodiscard]] Shell &shell() const { return shell_; }

private:
    Shell &shell_;
    bool placed_ = false;
};
