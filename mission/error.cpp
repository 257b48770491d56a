#include "error.h"

#include <cstring>

namespace mission
{

Error::Error(const std::string &action, const std::filesystem::path &path,
             const std::string &reason)
    : std::runtime_error(action + " \"" + path.string() + "\": " + reason), path_(path),
      reason_(reason)
{
}

Error Error::fromErrno(const std::string &action, const std::filesystem::path &path, int err)
{
    return Error(action, path, std::strerror(err));
}

} // namespace mission
