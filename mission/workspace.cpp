#include "workspace.h"

#include "error.h"

#include <system_error>

namespace mission
{

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

std::filesystem::path Workspace::folder() const
{
    if (!named_.empty())
        return named_;
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    if (ec)
        throw files::Error("could not find the current folder for",
                           std::filesystem::path(kWorkspaceFolder), ec.message());
    return here / kWorkspaceFolder;
}

std::filesystem::path Workspace::file(std::string_view fileName) const
{
    return folder() / fileName;
}

} // namespace mission
