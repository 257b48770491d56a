// tobrins-mustrel-import: makes the workspace's stored mission pieces from the user's own
// mission file.

#include "commandline.h"
#include "console.h"
#include "filesizelimit.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "pathtext.h"

#include <filesystem>
#endif

namespace
{

int run(const std::vector<std::string> &args)
{
    files::reportFileSizeLimitAsError();
    const importer::console::Session console;
    if (!console.ownWindow())
        return importer::runCommandLine(args, std::cout, std::cerr);
    const int status =
        importer::runInOwnWindow(args, std::cout, std::cerr, console.programFolder());
    std::cout.flush();
    console.waitForKey("\nPress any key to close this window.\n");
    return status;
}

} // namespace

#ifdef _WIN32
// Windows hands a program its arguments as UTF-16; the narrow ones of main() hold only what the
// ANSI code page can, so a mission named outside it would not be found.
int wmain(int argc, wchar_t **argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(files::pathText(std::filesystem::path(argv[i])));
    return run(args);
}
#else
int main(int argc, char **argv)
{
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
