#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

namespace tarvo {

// What the program remembers between runs: one INI file,
// $XDG_CONFIG_HOME/tarvo-analyzer/tarvo-analyzer.conf (~/.config by default).
// Every read checks its one item and gives nothing for what it cannot use
// (a missing file or key, a wrong type, nonsense), so a damaged file costs
// only the items it spoils. A write that fails says nothing: remembering is
// a convenience, never a reason to interrupt.

// The settings file in use; empty while settings are off or the place holds
// something that is no settings file of ours (not a regular file, or over
// MaxSettingsFileSize), which is then neither read nor replaced.
QString SettingsFilePath();
inline constexpr qint64 MaxSettingsFileSize = 1024 * 1024;

// --no-settings: nothing is read or written from now on, Qt's own (the file
// dialogs' history) included.
void TurnSettingsOff();
// Settings on, kept in `folder` instead of the user's config folder (tests).
void UseSettingsFolder(const QString& folder);
bool SettingsOn();

// A single text of at most MaxSettingText characters.
std::optional<QString> SettingText(const QString& key);
// A list of texts (one text counts as a list of one), each of at most
// MaxSettingText characters; at most `maxItems` of them.
QStringList SettingList(const QString& key, int maxItems);
// Exactly `count` whole numbers from `min` to `max`, written as a list.
std::optional<std::vector<int>> SettingNumbers(const QString& key, int count, int min, int max);
// "true" or "false".
std::optional<bool> SettingFlag(const QString& key);
inline constexpr int MaxSettingText = 4096;

void SetSetting(const QString& key, const QVariant& value);
// Several at once, in one write.
void SetSettings(const std::vector<std::pair<QString, QVariant>>& items);
// Numbers as SettingNumbers reads them.
QStringList NumberList(const QList<int>& numbers);

}  // namespace tarvo
