// Property bags: case-blind keys kept in lower case, defaults not stored.
#include "quarrymink/property_bag.h"

#include <QFont>
#include <QSettings>

namespace quarrymink {
namespace {

bool IsNumber(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Float:
        case QMetaType::Double:
            return true;
        default:
            return false;
    }
}

// Values compare as numbers when both are numbers (a False against a default of 0),
// as texts when both are texts, and otherwise only when they are of one type.
bool SameValue(const QVariant& a, const QVariant& b) {
    if (IsNumber(a) && IsNumber(b)) {
        const auto number = [](const QVariant& v) {
            return v.metaType().id() == QMetaType::Bool ? (v.toBool() ? -1.0 : 0.0) : v.toDouble();
        };
        return number(a) == number(b);
    }
    if (a.metaType() != b.metaType()) return false;
    return a == b;
}

}  // namespace

PropertyBag::~PropertyBag() = default;

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
    const QVariant value = Find(key.toLower());
    return value.isValid() ? value : defaultValue;
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) {
    if (SameValue(value, defaultValue))
        Remove(key.toLower());
    else
        Store(key.toLower(), value);
}

SettingsPropertyBag::SettingsPropertyBag(QSettings& settings, QString group)
    : settings_(settings), group_(std::move(group)) {}

QString SettingsPropertyBag::Path(const QString& key) const {
    return group_.isEmpty() ? key : group_ + QLatin1Char('/') + key;
}

QVariant SettingsPropertyBag::Find(const QString& key) const {
    return settings_.value(Path(key));
}

void SettingsPropertyBag::Store(const QString& key, const QVariant& value) {
    // A font as its readable description rather than as binary data.
    if (value.metaType().id() == QMetaType::QFont)
        settings_.setValue(Path(key), value.value<QFont>().toString());
    else
        settings_.setValue(Path(key), value);
}

void SettingsPropertyBag::Remove(const QString& key) {
    settings_.remove(Path(key));
}

bool MemoryPropertyBag::Contains(const QString& key) const {
    return Find(key.toLower()).isValid();
}

QVariant MemoryPropertyBag::Find(const QString& key) const {
    for (const auto& [k, v] : entries_)
        if (k == key) return v;
    return {};
}

void MemoryPropertyBag::Store(const QString& key, const QVariant& value) {
    for (auto& [k, v] : entries_)
        if (k == key) {
            v = value;
            return;
        }
    entries_.emplace_back(key, value);
}

void MemoryPropertyBag::Remove(const QString& key) {
    std::erase_if(entries_, [&](const auto& entry) { return entry.first == key; });
}

}  // namespace quarrymink
