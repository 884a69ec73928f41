// The demonstration's per-user settings: text values addressed by application name,
// section and key. Each application name has a settings file of its own (organisation
// "Quarrymink"); a section is a group in it. Names may hold path separators (an
// application name begins with the data folder, a section may be a document's path):
// they are escaped, so that every name stays one level of the address.
#pragma once

#include <QString>

namespace quarrymink::demo {

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

/// The settings file's name for an application name, without its extension.
QString SettingsFileName(const QString& application);

}  // namespace quarrymink::demo
