#include "error.h"

#include "pathtext.h"

namespace files
{

Error::Error(const std::string &action, const std::filesystem::path &path,
             const std::string &reason)
    : std::runtime_error(action + " \"" + pathText(path) + "\": " + reason), path_(path),
      reason_(reason)
{
}

Error::Error(const std::string &action, const std::filesystem::path &path, std::error_code error)
    : Error(action, path, error.message())
{
}

} // namespace files
