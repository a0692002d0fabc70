#include "TickSource.h"

#include <chrono>
#include <utility>

namespace
{
CTickSource::Function& OverrideFunction()
{
    static CTickSource::Function function;
    return function;
}
} // namespace

uint32_t CTickSource::Now()
{
    const Function& function = OverrideFunction();
    return function ? function() : SteadyNow();
}

void CTickSource::Override(Function source)
{
    OverrideFunction() = std::move(source);
}

uint32_t CTickSource::SteadyNow()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    // Keeping the low 32 bits gives the wrapping millisecond counter.
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}
