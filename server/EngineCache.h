#pragma once

#include "Refusal.h"
#include "TesseractEngine.h"

#include <QHash>
#include <QString>
#include <memory>

namespace lumeno {

// One worker's engines, one per set of models, each made on first use and kept: loading a model
// costs far more than recognising a capture.
class EngineCache
{
public:
    explicit EngineCache(QString tessdata) : m_tessdata(std::move(tessdata)) {}

    OrRefusal<TesseractEngine *> engineFor(const QString &models);

private:
    QString m_tessdata;
    QHash<QString, std::shared_ptr<TesseractEngine>> m_engines;
};

} // namespace lumeno
