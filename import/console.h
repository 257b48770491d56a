#pragma once

#include <filesystem>

namespace importer::console
{

// The console the importer writes to. Started from Explorer (a double-click, or a mission file
// dropped on it), the program gets a console window of its own that closes the moment it ends,
// before the player could read a word: there it waits for a key. From a command prompt, where
// the window is the prompt's, it ends as any command does. The program's main makes the one
// Session, which stands in for the standard streams' buffers while it lives.
class Session
{
public:
    // Writes the program's UTF-8 to a console window as the window takes it, so that names
    // outside the system's code page read right.
    Session();
    // Gives the standard streams back their own buffers.
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Whether the window is the program's own, shared with no other program, and the output
    // goes to it.
    [[nodiscard]] bool ownWindow() const { return ownWindow_; }
    // Waits for a key, after the given prompt.
    void waitForKey(const char *prompt) const;
    // The folder the program itself is in.
    [[nodiscard]] static std::filesystem::path programFolder();

private:
    bool ownWindow_ = false;
};

// Whether a console shared by `processes` programs is the program's own window: only the
// program itself counts there; a prompt counts too, and no console at all counts 0.
[[nodiscard]] constexpr bool isOwnWindow(unsigned long processes)
{
    return processes == 1;
}

} // namespace importer::console
