// Settings over QSettings, in one file for the whole program.
#include "demo_settings.h"

#include <QFileInfo>
#include <QSettings>

namespace quarrymink::demo {
namespace {

constexpr const char* kOrganization = "Quarrymink";
constexpr const char* kSettingsName = "qmDemo";

// "%", "/", "\" and ":" are percent-encoded: QSettings reads both slashes as group
// separators, and earlier releases made file names of these names.
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

QSettings ProgramSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kOrganization),
                     QLatin1String(kSettingsName));
}

// Earlier releases kept one file per application name, named after the escaped name. A
// value found only there is taken over, so that an update loses none of the user's
// settings. Old files are left alone, except the one of the application name "qmDemo",
// which is the program's file itself: there the old entry makes way for the new one.
QVariant TakeOldValue(const QString& application, const QString& section, const QString& key) {
    QSettings old(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kOrganization),
                  Escape(application));
    if (!QFileInfo::exists(old.fileName())) return {};
    const QVariant value = old.value(Address(section, key));
    if (value.isValid() && application == QLatin1String(kSettingsName)) old.remove(Address(section, key));
    return value;
}

}  // namespace

QString SettingsFilePath() {
    return ProgramSettings().fileName();
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings settings = ProgramSettings();
    const QString address = Escape(application) + u'/' + Address(section, key);
    QVariant value = settings.value(address);
    if (!value.isValid()) {
        value = TakeOldValue(application, section, key);
        if (!value.isValid()) return defaultValue;
        settings.setValue(address, value);
    }
    return value.toString();
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    ProgramSettings().setValue(Escape(application) + u'/' + Address(section, key), value);
}

}  // namespace quarrymink::demo
