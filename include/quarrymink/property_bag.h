// Property bags: where a control keeps its settings between sessions, in memory or in a
// QSettings store.
#pragma once

#include <QString>
#include <QVariant>
#include <stdexcept>
#include <utility>
#include <vector>

#include "quarrymink/export.h"

class QSettings;

namespace quarrymink {

/// Where a control keeps its settings between sessions. Keys compare without regard to
/// case and are kept in lower case; a value equal to its default is not kept.
class QUARRYMINK_EXPORT PropertyBag {
public:
    virtual ~PropertyBag();

    /// The value stored under key, or defaultValue when there is none.
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const;
    /// Stores value under key; a value equal to defaultValue removes the key instead, so
    /// that an older value cannot come back.
    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue);

protected:
    // Keys reach these already in lower case.
    virtual QVariant Find(const QString& key) const = 0;  ///< invalid QVariant when absent
    virtual void Store(const QString& key, const QVariant& value) = 0;
    virtual void Remove(const QString& key) = 0;
};

/// A bag over a QSettings store, in a group of its own (for example the window's name).
class QUARRYMINK_EXPORT SettingsPropertyBag final : public PropertyBag {
public:
    SettingsPropertyBag(QSettings& settings, QString group);

protected:
    QVariant Find(const QString& key) const override;
    void Store(const QString& key, const QVariant& value) override;
    void Remove(const QString& key) override;

private:
    QString Path(const QString& key) const;
    QSettings& settings_;
    QString group_;
};

/// A bag in memory; keeps its entries in the order they were first written.
class QUARRYMINK_EXPORT MemoryPropertyBag final : public PropertyBag {
public:
    const std::vector<std::pair<QString, QVariant>>& Entries() const { return entries_; }
    bool Contains(const QString& key) const;
    void Clear() { entries_.clear(); }

protected:
    QVariant Find(const QString& key) const override;
    void Store(const QString& key, const QVariant& value) override;
    void Remove(const QString& key) override;

private:
    std::vector<std::pair<QString, QVariant>> entries_;
};

/// A property bag that could not give a value of the type asked for.
class QUARRYMINK_EXPORT PropertyBagError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace quarrymink
