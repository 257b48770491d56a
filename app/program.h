#pragma once

#include "shell.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class Form;
class CharacterSheet;
class SaveDialog;
class SelectionWindow;

// The program: its three windows, each one instance created and loaded on first use, the
// navigation between them and the end of the run. The program owns the windows: an unloaded
// window is hidden at once and freed at the next turn of the event loop, or with the program.
class Program : public Shell
{
public:
    enum class Window { Selection, Sheet, SaveDialog };

    // `onEnd` runs once when the program ends; by default it leaves the event loop.
    explicit Program(std::function<void()> onEnd = {},
                     mission::Workspace workspace = mission::Workspace());
    ~Program() override;
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Program start: load the mission selection window and show it.
    void start();

    // Each window, created and loaded on first use.
    [[nodiscard]] SelectionWindow &selection();
    [[nodiscard]] CharacterSheet &sheet();
    [[nodiscard]] SaveDialog &saveDialog();

    [[nodiscard]] bool isLoaded(Window window) const;
    // Once the program has ended, show, hide, unload and endProgram do nothing.
    void show(Window window);
    void hide(Window window);
    // Runs the window's onUnload and discards it; a window that is not loaded, or is
    // already being unloaded, is left alone.
    void unload(Window window);
    // Every window disappears, no further step runs and `onEnd` is called, once.
    void endProgram();
    [[nodiscard]] bool hasEnded() const { return ended_; }

    void nextFromSelection() override;
    void backFromSheet() override;
    void showSaveDialog() override;
    void hideSaveDialog() override;
    void exitFromSelection() override;
    void exitFromSheet() override;
    void sheetUnloaded() override;
    void unload(Form &form) override;
    std::optional<mission::SavedBlocks> &savedBlocks() override { return savedBlocks_; }
    const mission::Workspace &workspace() const override { return workspace_; }

private:
    struct Slot {
        std::unique_ptr<Form> form;
        bool unloading = false;
    };

    Form &load(Window window);
    void discard(Window window);
    [[nodiscard]] Slot &slot(Window window) { return slots_[static_cast<std::size_t>(window)]; }
    [[nodiscard]] const Slot &slot(Window window) const
    {
        return slots_[static_cast<std::size_t>(window)];
    }

    std::array<Slot, 3> slots_;
    // Unloaded windows not freed yet: one may still be running the handler that unloaded it.
    std::vector<std::unique_ptr<Form>> retired_;
    std::function<void()> onEnd_;
    std::optional<mission::SavedBlocks> savedBlocks_;
    mission::Workspace workspace_;
    bool ended_ = false;
    // The receiver of the queued calls that free the retired windows; a call still queued when
    // the program goes is dropped with it.
    QObject releaser_;
};
