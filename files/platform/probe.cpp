#include "platform.h"

namespace files::platform
{

namespace
{

Probe &current()
{
    static Probe probe;
    return probe;
}

} // namespace

void setProbe(Probe probe)
{
    current() = std::move(probe);
}

std::error_code probe(Call call, const std::filesystem::path &path)
{
    return current() ? current()(call, path) : std::error_code();
}

} // namespace files::platform
