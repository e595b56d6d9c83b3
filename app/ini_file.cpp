#include "app/ini_file.h"

#include <QSettings>

namespace app {

namespace {

QString KeyPath(const QString& section, const QString& key) { return section + '/' + key; }

}  // namespace

IniFile::IniFile(const QString& path) : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

IniFile::~IniFile() = default;

bool IniFile::ReadBool(const QString& section, const QString& key, bool fallback) const {
    const QVariant value = settings_->value(KeyPath(section, key));
    if (!value.isValid())
        return fallback;
    return value.toString().trimmed().toInt() != 0;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const {
    return settings_->value(KeyPath(section, key), fallback).toString();
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    settings_->setValue(KeyPath(section, key), value);
    settings_->sync();
}

}  // namespace app
