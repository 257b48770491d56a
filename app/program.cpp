#include "program.h"

#include "charactersheet.h"
#include "savedialog.h"
#include "selectionwindow.h"

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
    show(Window::Selection);
}

Form &Program::load(Window window)
{
    Slot &s = slot(window);
    if (!s.form) {
        switch (window) {
        case Window::Selection:
            s.form = std::make_unique<SelectionWindow>(*this);
            break;
        case Window::Sheet:
            s.form = std::make_unique<CharacterSheet>(*this);
            break;
        case Window::SaveDialog:
            s.form = std::make_unique<SaveDialog>(*this);
            break;
        }
        s.unloading = false;
        s.form->onLoad();
    }
    return *s.form;
}

SelectionWindow &Program::selection()
{
    return static_cast<SelectionWindow &>(load(Window::Selection));
}
CharacterSheet &Program::sheet()
{
    return static_cast<CharacterSheet &>(load(Window::Sheet));
}
SaveDialog &Program::saveDialog()
{
    return static_cast<SaveDialog &>(load(Window::SaveDialog));
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
    s.form->onUnload();
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
    discard(Window::SaveDialog);
    discard(Window::Sheet);
    discard(Window::Selection);
    onEnd_();
}

void Program::nextFromSelection()
{
    show(Window::Sheet);
    hide(Window::Selection);
}

void Program::backFromSheet()
{
    hide(Window::Sheet);
    hide(Window::SaveDialog);
    show(Window::Selection);
}

void Program::showSaveDialog()
{
    show(Window::SaveDialog);
    // Also when it is open already, behind the sheet: the user sees that "Save Mission" worked.
    if (!ended_) {
        saveDialog().raise();
        saveDialog().activateWindow();
    }
}

void Program::hideSaveDialog()
{
    // A failed first save has no dialog to hide, and makes none.
    if (isLoaded(Window::SaveDialog))
        hide(Window::SaveDialog);
}

// The exit sequences. A step may unload a window whose own onUnload runs an exit sequence
// that ends the program; every step does nothing once the program has ended, so the steps after
// it never run.
void Program::exitFromSelection()
{
    hide(Window::Selection);
    unload(Window::Sheet);
    unload(Window::SaveDialog);
    unload(Window::Selection);
    endProgram();
}

void Program::exitFromSheet()
{
    hide(Window::Sheet);
    unload(Window::Selection);
    hide(Window::SaveDialog);
    unload(Window::SaveDialog);
    unload(Window::Sheet);
    endProgram();
}

void Program::sheetUnloaded()
{
    hide(Window::Sheet);
    unload(Window::Selection);
    hide(Window::SaveDialog);
    unload(Window::SaveDialog);
    endProgram();
}

void Program::unload(Form &form)
{
    for (Window window : {Window::Selection, Window::Sheet, Window::SaveDialog}) {
        if (slot(window).form.get() == &form)
            unload(window);
    }
}
