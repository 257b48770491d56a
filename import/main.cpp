// tobrins-mustrel-import: makes the workspace's stored mission pieces from the user's own
// mission file.

#include "commandline.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return importer::runCommandLine(args, std::cout, std::cerr);
}
