#include "program.h"

#include "form1.h"
#include "form2.h"
#include "gb.h"

#include <QCoreApplication>

Program::Program(std::function<void()> onEnd, mission::Workspace workspace)
    : onEnd_(std::move(onEnd)), workspace_(std::move(workspace))
{
    if (!onEnd_)
        onEnd_ = [] { QCoreApplication::exit(0); };
}

Program::~Program() = default;

void Program::start()
{
    show(Window::Form1);
}

Form &Program::load(Window window)
{
    Slot &s = slot(window);
    if (!s.form) {
        switch (window) {
        case Window::Form1:
            s.form = std::make_unique<Form1>(*this);
            break;
        case Window::gb:
            s.form = std::make_unique<gb>(*this);
            break;
        case Window::Form2:
            s.form = std::make_unique<Form2>(*this);
            break;
        }
        s.unloading = false;
        s.form->Form_Load();
    }
    return *s.form;
}

Form1 &Program::form1()
{
    return static_cast<Form1 &>(load(Window::Form1));
}
gb &Program::sheet()
{
    return static_cast<gb &>(load(Window::gb));
}
Form2 &Program::form2()
{
    return static_cast<Form2 &>(load(Window::Form2));
}

bool Program::isLoaded(Window window) const
{
    return slot(window).form != nullptr;
}

void Program::show(Window window)
{
    if (!ended_)
        load(window).show();
}

void Program::hide(Window window)
{
    if (!ended_)
        load(window).hide();
}

void Program::unload(Window window)
{
    Slot &s = slot(window);
    if (ended_ || !s.form || s.unloading)
        return;
    s.unloading = true;
    s.form->Form_Unload();
    discard(window);
}

void Program::discard(Window window)
{
    Slot &s = slot(window);
    s.unloading = false;
    if (!s.form)
        return;
    s.form->hide();
    // The window may be in the middle of one of its own handlers: it is freed once control is
    // back in the event loop.
    retired_.push_back(std::move(s.form));
    QMetaObject::invokeMethod(
        &releaser_, [this] { retired_.clear(); }, Qt::QueuedConnection);
}

void Program::endProgram()
{
    if (ended_)
        return;
    ended_ = true;
    discard(Window::Form2);
    discard(Window::gb);
    discard(Window::Form1);
    onEnd_();
}

void Program::nextFromSelection()
{
    show(Window::gb);
    hide(Window::Form1);
}

void Program::backFromSheet()
{
    hide(Window::gb);
    hide(Window::Form2);
    show(Window::Form1);
}

void Program::showSaveDialog()
{
    show(Window::Form2);
    // Also when it is open already, behind the sheet: the user sees that "Save Mission" worked.
    if (!ended_) {
        form2().raise();
        form2().activateWindow();
    }
}

void Program::hideSaveDialog()
{
    // A failed first save has no dialog to hide, and makes none.
    if (isLoaded(Window::Form2))
        hide(Window::Form2);
}

// The exit sequences. A step may unload a window whose own Form_Unload runs an exit sequence
// that ends the program; every step does nothing once the program has ended, so the steps after
// it never run.
void Program::exitFromSelection()
{
    hide(Window::Form1);
    unload(Window::gb);
    unload(Window::Form2);
    unload(Window::Form1);
    endProgram();
}

void Program::exitFromSheet()
{
    hide(Window::gb);
    unload(Window::Form1);
    hide(Window::Form2);
    unload(Window::Form2);
    unload(Window::gb);
    endProgram();
}

void Program::sheetUnloaded()
{
    hide(Window::gb);
    unload(Window::Form1);
    hide(Window::Form2);
    unload(Window::Form2);
    endProgram();
}

void Program::unload(Form &form)
{
    for (Window window : {Window::Form1, Window::gb, Window::Form2}) {
        if (slot(window).form.get() == &form)
            unload(window);
    }
}
