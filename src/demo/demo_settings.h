// The demonstration's per-user settings: text values addressed by application name,
// section and key. They all live in one settings file of the program (organisation
// "Quarrymink", file "qmDemo"), in which an application name is a group and a section a
// group inside it. Names may hold path separators (an application name begins with the
// data folder, a section may be a document's path): they are escaped, so that every name
// stays one level of the address.
#pragma once

#include <QString>

namespace quarrymink::demo {

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

/// The full path of the program's settings file.
QString SettingsFilePath();

}  // namespace quarrymink::demo
