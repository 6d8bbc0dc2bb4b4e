#pragma once

#include <QByteArray>
#include <QString>

namespace quill {

// An INI file read and written key by key: writing a key replaces its value in place (or
// adds the key, its section or the file) and leaves every other line exactly as it was.
// Section and key names match regardless of letter case.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& FileName() const { return path_; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal, or hexadecimal after "$" or "0x"; anything else reads as the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;

    // Each write goes to the file at once; a failure raises "Unable to write to %s".
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);

private:
    QString path_;
    QByteArray data_;
};

} // namespace quill
