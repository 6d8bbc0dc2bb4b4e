#pragma once

#include "platform/syscolors.h"
#include "storage/memtable.h"

#include <QString>
#include <QWidget>

#include <optional>

namespace quill {

// The settings table: the password and the default editor font in at most one row.
struct SettingsFields {
    Field& Password;
    Field& FontName;
    Field& FontSize;
    Field& FontColor;
};

// Declares the settings table's fields, in their order.
SettingsFields DeclareSettingsFields(MemTable& table);

// The open step: the file beside the program, created empty when missing (no password),
// change logging off. Fails when the file cannot be read.
void OpenSettingsTable(MemTable& table);

// The default editor font of the stored row; nothing when the table holds no row.
struct DefaultFont {
    QString face;
    int size = 0;
    TColor color = 0;
};
std::optional<DefaultFont> StoredDefaultFont(const MemTable& table, const SettingsFields& fields);

// FontSettings.Ini: the header font's face and character set, and the skip switch.
struct FontSettings {
    QString name = QStringLiteral("Arial");
    int charset = 1;
    bool skip = false;
};
FontSettings ReadFontSettings(const QString& path);
// Writes Name, Charset and Skip, each at once; fails with "Unable to write to %s".
void WriteFontSettings(const QString& path, const FontSettings& settings);

} // namespace quill
