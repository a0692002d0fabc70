#pragma once

#include <string>
#include <vector>

// Implemented by the game windows: what the move list's browse buttons ask. The slot order is fixed.
class IMoveListOwner
{
public:
    virtual ~IMoveListOwner() = default;
    virtual void GoToStart() = 0;
    virtual void StepBack() = 0;
    // The SAN text of the replayed move (empty when there was none).
    virtual std::string StepForward() = 0;
    // The SAN texts of all recorded moves.
    virtual std::vector<std::string> GoToEnd() = 0;
    [[nodiscard]] virtual bool CanStepBack() const = 0;
    [[nodiscard]] virtual bool CanStepForward() const = 0;
};
