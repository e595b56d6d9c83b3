#pragma once
#include <QString>
#include <memory>

class QSettings;

namespace app {

// A small INI settings file. Every write goes to disk at once; booleans are
// written as "1" or "0" and read as integers, any non-zero value being true.
class IniFile {
public:
    explicit IniFile(const QString& path);
    ~IniFile();

    bool ReadBool(const QString& section, const QString& key, bool fallback) const;
    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
    void WriteBool(const QString& section, const QString& key, bool value);
    void WriteString(const QString& section, const QString& key, const QString& value);

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace app
