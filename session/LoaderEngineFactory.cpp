#include "LoaderEngineFactory.h"

#include "EngineLoader.h"

QStringList CLoaderEngineFactory::EngineNames() const
{
    QStringList names;
    for (const CEngineLoader::NamedEngine& engine : m_Loader().NamedEngines())
    {
        const QString name = QString::fromStdString(engine.name);
        if (!names.contains(name))
            names << name;
    }
    return names;
}

IChessEngine* CLoaderEngineFactory::Create(const QString& name)
{
    const std::string wanted = name.toStdString();
    for (const CEngineLoader::NamedEngine& engine : m_Loader().NamedEngines())
    {
        if (engine.name == wanted)
            return m_Loader().CreateNamedEngine(engine.index, wanted);
    }
    return nullptr;
}

IChessEngineEx* CLoaderEngineFactory::Extension(IChessEngine* engine) const
{
    // Bughouse needs version 2 of the extension.
    return m_Loader().ExtensionVersion(engine) >= 2 ? m_Loader().Extension(engine) : nullptr;
}

void CLoaderEngineFactory::Destroy(IChessEngine* engine)
{
    m_Loader().DestroyEngine(engine);
}
