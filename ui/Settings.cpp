#include "ui/Settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace tarvo {
namespace {

bool settingsOn = true;
QString folderInUse;  // empty: the user's config folder

const QString SettingsName = QStringLiteral("tarvo-analyzer");

// Where Qt keeps settings of its own (the file dialogs' history and last
// folder) for this user.
void PutQtSettingsIn(const QString& folder) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

QVariant Read(const QString& key) {
  const QString path = SettingsFilePath();
  if (path.isEmpty()) return {};
  const QSettings settings(path, QSettings::IniFormat);
  return settings.value(key);
}

bool Usable(const QString& text) { return text.size() <= MaxSettingText; }

}  // namespace

QString SettingsFilePath() {
  if (!settingsOn) return {};
  const QString folder =
      folderInUse.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : folderInUse;
  if (folder.isEmpty()) return {};
  const QString path = folder + QLatin1Char('/') + SettingsName + QLatin1Char('/') + SettingsName + QStringLiteral(".conf");
  // Reading a FIFO or a device would block or never end; a huge file is no
  // settings file of ours. Neither is read, nor replaced by a write.
  const QFileInfo file(path);
  if (file.isSymLink() && !file.exists()) return {};
  if (file.exists() && (!file.isFile() || file.size() > MaxSettingsFileSize)) return {};
  return path;
}

void TurnSettingsOff() {
  settingsOn = false;
  // No folder can be made beneath /dev/null: Qt's own settings are neither
  // read nor written either.
  PutQtSettingsIn(QStringLiteral("/dev/null"));
}

void UseSettingsFolder(const QString& folder) {
  settingsOn = true;
  folderInUse = folder;
  PutQtSettingsIn(folder);
}

bool SettingsOn() { return settingsOn; }

std::optional<QString> SettingText(const QString& key) {
  const QVariant value = Read(key);
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  QString text = value.toString();
  if (!Usable(text)) return std::nullopt;
  return text;
}

QStringList SettingList(const QString& key, int maxItems) {
  const QVariant value = Read(key);
  // A list holding one item of another type ("@Rect(...)") reads as a list
  // of variants; its texts still count.
  QVariantList items;
  if (value.typeId() == QMetaType::QString) {
    items = {value};
  } else if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList) {
    items = value.toList();
  }
  QStringList usable;
  for (const QVariant& item : items) {
    if (usable.size() >= maxItems) break;
    if (item.typeId() == QMetaType::QString && Usable(item.toString())) usable.append(item.toString());
  }
  return usable;
}

std::optional<std::vector<int>> SettingNumbers(const QString& key, int count, int min, int max) {
  const QStringList items = SettingList(key, count + 1);
  if (items.size() != count) return std::nullopt;
  std::vector<int> numbers;
  for (const QString& item : items) {
    bool ok = false;
    const int number = item.trimmed().toInt(&ok);
    if (!ok || number < min || number > max) return std::nullopt;
    numbers.push_back(number);
  }
  return numbers;
}

std::optional<bool> SettingFlag(const QString& key) {
  const QVariant value = Read(key);
  if (value.typeId() == QMetaType::Bool) return value.toBool();
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  if (value.toString() == QLatin1String("true")) return true;
  if (value.toString() == QLatin1String("false")) return false;
  return std::nullopt;
}

void SetSetting(const QString& key, const QVariant& value) { SetSettings({{key, value}}); }

void SetSettings(const std::vector<std::pair<QString, QVariant>>& items) {
  const QString path = SettingsFilePath();
  if (path.isEmpty()) return;
  QSettings settings(path, QSettings::IniFormat);
  for (const auto& [key, value] : items) settings.setValue(key, value);
  // Written now, so that a crash loses nothing; a failure stays silent.
  settings.sync();
}

QStringList NumberList(const QList<int>& numbers) {
  QStringList items;
  for (const int number : numbers) items.append(QString::number(number));
  return items;
}

}  // namespace tarvo
