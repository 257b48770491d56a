#include "console.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

namespace importer::console
{

namespace
{

// Writes the program's UTF-8 to a console window as the UTF-16 the window takes, whatever code
// page the console has: a path outside it would otherwise show as other letters.
class ConsoleBuffer : public std::streambuf
{
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}
    ~ConsoleBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        pending_.push_back(traits_type::to_char_type(c));
        if (c == '\n')
            sync();
        return c;
    }

    std::streamsize xsputn(const char *s, std::streamsize n) override
    {
        pending_.append(s, static_cast<std::size_t>(n));
        sync();
        return n;
    }

    int sync() override
    {
        // A character cut by the end of what was written waits for its other bytes.
        const std::size_t whole = wholeCharacters(pending_);
        if (whole == 0)
            return 0;
        const int size = static_cast<int>(whole);
        std::wstring wide(static_cast<std::size_t>(
                              ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), size, nullptr, 0)),
                          L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), size, wide.data(),
                              static_cast<int>(wide.size()));
        DWORD written = 0;
        ::WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        pending_.erase(0, whole);
        return 0;
    }

private:
    // How many bytes from the start of `text` are whole UTF-8 characters.
    static std::size_t wholeCharacters(const std::string &text)
    {
        std::size_t k = text.size();
        std::size_t following = 0;
        while (k > 0 && following < 3 && (static_cast<unsigned char>(text[k - 1]) & 0xC0) == 0x80) {
            --k;
            ++following;
        }
        if (k == 0)
            return text.size();
        const auto lead = static_cast<unsigned char>(text[k - 1]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return length > following + 1 ? k - 1 : text.size();
    }

    HANDLE console_;
    std::string pending_;
};

// The stream's own buffer while the console's stands in for it.
struct Redirect {
    std::ostream *stream;
    std::streambuf *own;
    std::unique_ptr<ConsoleBuffer> console;
};

Redirect redirects[2];

} // namespace

Session::Session()
{
    // Output sent to a file or a pipe (by a program that started this one) is not read in a
    // window: it stays UTF-8 byte for byte, and nothing waits for a key.
    DWORD processes[2];
    DWORD mode = 0;
    ownWindow_ = isOwnWindow(::GetConsoleProcessList(processes, 2)) &&
                 ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode);
    const std::pair<DWORD, std::ostream *> streams[] = {{STD_OUTPUT_HANDLE, &std::cout},
                                                        {STD_ERROR_HANDLE, &std::cerr}};
    for (std::size_t k = 0; k < 2; ++k) {
        const HANDLE h = ::GetStdHandle(streams[k].first);
        if (h == INVALID_HANDLE_VALUE || h == nullptr || !::GetConsoleMode(h, &mode))
            continue;
        auto buffer = std::make_unique<ConsoleBuffer>(h);
        std::ostream *stream = streams[k].second;
        stream->flush();
        redirects[k] = {stream, stream->rdbuf(buffer.get()), std::move(buffer)};
    }
}

Session::~Session()
{
    for (Redirect &r : redirects)
        if (r.stream) {
            r.stream->flush();
            r.stream->rdbuf(r.own);
            r = {};
        }
}

void Session::waitForKey(const char *prompt) const
{
    std::cout << prompt << std::flush;
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    // Keys pressed while the import ran do not count.
    ::FlushConsoleInputBuffer(in);
    INPUT_RECORD record;
    DWORD read = 0;
    while (::ReadConsoleInputW(in, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            return;
}

std::filesystem::path Session::programFolder()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (size == 0)
            return {};
        if (size < name.size()) {
            name.resize(size);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

} // namespace importer::console
