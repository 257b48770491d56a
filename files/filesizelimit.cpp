#include "filesizelimit.h"

#include "platform.h"

namespace files
{

void reportFileSizeLimitAsError() noexcept
{
    platform::reportFileSizeLimitAsError();
}

} // namespace files
