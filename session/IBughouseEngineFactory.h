#pragma once

#include <QStringList>

class IChessEngine;
class IChessEngineEx;

// Where the engines of bughouse seats come from: the engines the user may put
// into a seat, and one engine object per seat and board that runs one of them.
class IBughouseEngineFactory
{
public:
    virtual ~IBughouseEngineFactory() = default;

    // The names of the engines that may take a seat.
    [[nodiscard]] virtual QStringList EngineNames() const = 0;
    // A new engine object running the engine of that name, not yet started;
    // null when there is none. Ended with Destroy.
    [[nodiscard]] virtual IChessEngine* Create(const QString& name) = 0;
    // The object's extension; null when it has none (such an engine cannot
    // play bughouse).
    [[nodiscard]] virtual IChessEngineEx* Extension(IChessEngine* engine) const = 0;
    // Quits the engine and deletes the object.
    virtual void Destroy(IChessEngine* engine) = 0;
};
