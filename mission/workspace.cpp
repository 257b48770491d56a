#include "workspace.h"

#include "error.h"

#include <system_error>

namespace mission
{

namespace
{

std::filesystem::path &namedFolder()
{
    static std::filesystem::path folder;
    return folder;
}

} // namespace

void setWorkspaceFolder(const std::filesystem::path &folder)
{
    namedFolder() = folder;
}

std::filesystem::path workspacePath(std::string_view fileName)
{
    if (!namedFolder().empty())
        return namedFolder() / fileName;
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::current_path(ec);
    if (ec)
        throw files::Error("could not find the current folder for", std::filesystem::path(fileName),
                           ec.message());
    return dir / kWorkspaceFolder / fileName;
}

} // namespace mission
