#include "program.h"

#include "form1.h"
#include "form2.h"
#include "gb.h"

#include <QCoreApplication>

Program::Program(std::function<void()> onEnd) : onEnd_(std::move(onEnd))
{
    if (!onEnd_)
        onEnd_ = [] { QCoreApplication::exit(0); };
}

Program::~Program()
{
    for (Slot &s : slots_)
        delete s.form;
}

void Program::start()
{
    run({[this] { show(Window::Form1); }});
}

Form &Program::load(Window window)
{
    Slot &s = slot(window);
    if (!s.form) {
        Form *form = nullptr;
        switch (window) {
        case Window::Form1:
            form = new Form1(*this);
            break;
        case Window::gb:
            form = new gb(*this);
            break;
        case Window::Form2:
            form = new Form2(*this);
            break;
        }
        s.form = form;
        s.unloading = false;
        form->Form_Load();
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
    return !slot(window).form.isNull();
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
    if (Form *form = s.form) {
        form->hide();
        // The window may be in the middle of one of its own handlers.
        form->deleteLater();
    }
    s.form = nullptr;
    s.unloading = false;
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

void Program::run(std::initializer_list<std::function<void()>> steps)
{
    for (const auto &step : steps) {
        if (ended_)
            return;
        step();
    }
}

void Program::nextFromSelection()
{
    run({[this] { show(Window::gb); }, [this] { hide(Window::Form1); }});
}

void Program::backFromSheet()
{
    run({[this] { hide(Window::gb); }, [this] { hide(Window::Form2); },
         [this] { show(Window::Form1); }});
}

void Program::showSaveDialog()
{
    run({[this] { show(Window::Form2); }});
}

void Program::hideSaveDialog()
{
    run({[this] { hide(Window::Form2); }});
}

void Program::exitFromSelection()
{
    run({[this] { hide(Window::Form1); }, [this] { unload(Window::gb); },
         [this] { unload(Window::Form2); }, [this] { unload(Window::Form1); },
         [this] { endProgram(); }});
}

void Program::exitFromSheet()
{
    run({[this] { hide(Window::gb); }, [this] { unload(Window::Form1); },
         [this] { hide(Window::Form2); }, [this] { unload(Window::Form2); },
         [this] { unload(Window::gb); }, [this] { endProgram(); }});
}

void Program::sheetUnloaded()
{
    run({[this] { hide(Window::gb); }, [this] { unload(Window::Form1); },
         [this] { hide(Window::Form2); }, [this] { unload(Window::Form2); },
         [this] { endProgram(); }});
}

void Program::unload(Form &form)
{
    for (Window window : {Window::Form1, Window::gb, Window::Form2}) {
        if (slot(window).form == &form)
            unload(window);
    }
}
