// tobrins-mustrel-import: makes the workspace's stored mission pieces from the user's own
// mission file.

#include "commandline.h"
#include "filesizelimit.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "pathtext.h"

#include <filesystem>

// Windows hands a program its arguments as UTF-16; the narrow ones of main() hold only what the
// ANSI code page can, so a mission named outside it would not be found.
int wmain(int argc, wchar_t **argv)
{
    files::reportFileSizeLimitAsError();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(files::pathText(std::filesystem::path(argv[i])));
    return importer::runCommandLine(args, std::cout, std::cerr);
}
#else
int main(int argc, char **argv)
{
    files::reportFileSizeLimitAsError();
    const std::vector<std::string> args(argv + 1, argv + argc);
    return importer::runCommandLine(args, std::cout, std::cerr);
}
#endif
