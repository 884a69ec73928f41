// Settings over QSettings, one file per application name.
#include "demo_settings.h"

#include <QSettings>

namespace quarrymink::demo {
namespace {

constexpr const char* kOrganization = "Quarrymink";

// "%", "/" and "\" are percent-encoded: QSettings reads both slashes as group
// separators, and a file name cannot hold them.
QString Escape(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'/')
            out += QStringLiteral("%2F");
        else if (c == u'\\')
            out += QStringLiteral("%5C");
        else if (c == u':')
            out += QStringLiteral("%3A");
        else
            out += c;
    }
    return out;
}

QString Address(const QString& section, const QString& key) {
    return Escape(section) + u'/' + Escape(key);
}

}  // namespace

QString SettingsFileName(const QString& application) {
    return Escape(application);
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kOrganization),
                       SettingsFileName(application));
    return settings.value(Address(section, key), defaultValue).toString();
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kOrganization),
                       SettingsFileName(application));
    settings.setValue(Address(section, key), value);
}

}  // namespace quarrymink::demo
