#include "EngineCache.h"

namespace lumeno {

OrRefusal<TesseractEngine *> EngineCache::engineFor(const QString &models)
{
    if (auto found = m_engines.constFind(models); found != m_engines.constEnd())
        return found.value().get();
    auto created = TesseractEngine::create(m_tessdata, models);
    if (auto *refusal = std::get_if<Refusal>(&created))
        return *refusal;
    std::shared_ptr<TesseractEngine> engine =
        std::move(std::get<std::unique_ptr<TesseractEngine>>(created));
    m_engines.insert(models, engine);
    return engine.get();
}

} // namespace lumeno
