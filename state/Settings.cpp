#include "Settings.h"

#include "UserDefaults.h"

#include <cmath>
#include <limits>
#include <optional>

namespace lumeno {

namespace {

// A stored number that converts exactly to an unsigned integer of type T; nothing otherwise.
template <typename T> std::optional<T> exactUnsigned(const UserDefaults &defaults, const char *key)
{
    const auto stored = defaults.objectForKey(QLatin1String(key));
    if (!stored || !stored->isDouble())
        return std::nullopt;
    const QVariant number = stored->toVariant();
    if (number.typeId() == QMetaType::LongLong) {
        const qint64 whole = number.toLongLong();
        if (whole < 0 || static_cast<quint64>(whole) > std::numeric_limits<T>::max())
            return std::nullopt;
        return static_cast<T>(whole);
    }
    const double value = stored->toDouble();
    // 2^64 itself is exactly representable but does not fit; every double below it that is whole
    // does.
    if (!std::isfinite(value) || value < 0 || std::trunc(value) != value ||
        value >= std::ldexp(1.0, std::numeric_limits<T>::digits))
        return std::nullopt;
    return static_cast<T>(value);
}

// A JSON integer up to 2^63 - 1; above that, a double, which holds only some values exactly
// (all those a store can give, since they were read from one).
Result storeUnsigned(UserDefaults &defaults, const char *key, quint64 value)
{
    if (value <= static_cast<quint64>(std::numeric_limits<qint64>::max()))
        return defaults.setValue(QLatin1String(key), QJsonValue(static_cast<qint64>(value)));
    const double number = static_cast<double>(value);
    if (number >= std::ldexp(1.0, 64) || static_cast<quint64>(number) != value)
        return Result::failure(
            QStringLiteral("%1 cannot be stored exactly as a JSON number").arg(value));
    return defaults.setValue(QLatin1String(key), QJsonValue(number));
}

} // namespace

QString load(const UserDefaults &defaults, const Setting<QString> &setting)
{
    return defaults.stringForKey(QLatin1String(setting.key)).value_or(setting.defaultValue);
}

quint32 load(const UserDefaults &defaults, const Setting<quint32> &setting)
{
    return exactUnsigned<quint32>(defaults, setting.key).value_or(setting.defaultValue);
}

quint64 load(const UserDefaults &defaults, const Setting<quint64> &setting)
{
    return exactUnsigned<quint64>(defaults, setting.key).value_or(setting.defaultValue);
}

Result store(UserDefaults &defaults, const Setting<QString> &setting, const QString &value)
{
    return defaults.setValue(QLatin1String(setting.key), QJsonValue(value));
}

Result store(UserDefaults &defaults, const Setting<quint32> &setting, quint32 value)
{
    return storeUnsigned(defaults, setting.key, value);
}

Result store(UserDefaults &defaults, const Setting<quint64> &setting, quint64 value)
{
    return storeUnsigned(defaults, setting.key, value);
}

} // namespace lumeno
