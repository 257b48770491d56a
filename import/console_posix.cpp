#include "console.h"

namespace importer::console
{

// A terminal here is always the shell's, and its programs write UTF-8 as it is.
Session::Session() = default;

Session::~Session() = default;

void Session::waitForKey(const char *) const {}

// Never asked for: there is no window of the program's own here.
std::filesystem::path Session::programFolder()
{
    return {};
}

} // namespace importer::console
