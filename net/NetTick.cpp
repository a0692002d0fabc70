#include "NetTick.h"

#include <chrono>
#include <utility>

namespace NetTick
{
namespace
{
std::function<std::uint32_t()>& Source()
{
    static std::function<std::uint32_t()> source;
    return source;
}
} // namespace

std::uint32_t Now()
{
    if (const auto& source = Source())
        return source();
    const auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SetSource(std::function<std::uint32_t()> source)
{
    Source() = std::move(source);
}
} // namespace NetTick
