#include "console.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

namespace importer::console
{

Session::Session()
{
    DWORD processes[2];
    ownWindow_ = isOwnWindow(::GetConsoleProcessList(processes, 2));
    previousCodePage_ = ::GetConsoleOutputCP();
    if (previousCodePage_ != 0)
        ::SetConsoleOutputCP(CP_UTF8);
}

Session::~Session()
{
    if (previousCodePage_ != 0)
        ::SetConsoleOutputCP(previousCodePage_);
}

void Session::waitForKey(const char *prompt) const
{
    std::fputs(prompt, stdout);
    std::fflush(stdout);
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    // Keys pressed while the import ran do not count.
    ::FlushConsoleInputBuffer(in);
    INPUT_RECORD record;
    DWORD read = 0;
    while (::ReadConsoleInputW(in, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            return;
}

} // namespace importer::console
