#pragma once

#include "IBughouseEngineFactory.h"

#include <functional>

class CEngineLoader;

// The engines of bughouse seats from the loaded plug-ins: every engine of the
// lists of the plug-ins that can run one engine of their list per object.
// An engine offered by two plug-ins is taken from the first. The plug-ins
// are loaded when first asked for.
class CLoaderEngineFactory : public IBughouseEngineFactory
{
public:
    using LoaderFunction = std::function<CEngineLoader&()>;
    explicit CLoaderEngineFactory(LoaderFunction loader) : m_Loader(std::move(loader)) {}

    [[nodiscard]] QStringList EngineNames() const override;
    [[nodiscard]] IChessEngine* Create(const QString& name) override;
    [[nodiscard]] IChessEngineEx* Extension(IChessEngine* engine) const override;
    void Destroy(IChessEngine* engine) override;

private:
    LoaderFunction m_Loader;
};
