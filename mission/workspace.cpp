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

void checkWorkspaceFolder(const std::filesystem::path &folder)
{
    std::error_code ec;
    const auto status = std::filesystem::status(folder, ec);
    const char *action = "could not find the workspace";
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
        throw files::Error(action, folder, ec);
    if (!std::filesystem::exists(status))
        throw files::Error(action, folder, "there is no such folder");
    if (!std::filesystem::is_directory(status))
        throw files::Error(action, folder, "it is not a folder");
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
