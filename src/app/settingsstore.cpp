#include "app/settingsstore.h"

#include "app/safekeeping.h"

#include "platform/ansi.h"
#include "platform/datadir.h"
#include "platform/dialogs.h"
#include "platform/inifile.h"
#include "storage/fileio.h"

namespace quill {

SettingsFields DeclareSettingsFields(MemTable& table)
{
    return {table.AddField("Password", FieldType::String, 20), table.AddField("FontName", FieldType::String, 50),
            table.AddField("FontSize", FieldType::Integer), table.AddField("FontColor", FieldType::Integer)};
}

void OpenSettingsTable(MemTable& table)
{
    table.SetFileName((DataDirectory() + QStringLiteral("Settings.cds")).toStdString());
    // Only a file that is not there at all starts empty: a folder or a link to nothing in
    // its place cannot be read, and must not be written over.
    if (NothingAt(table.FileName()))
        table.CreateTable();
    table.Open();
    table.SetLogChanges(false);
    KeepDailyBackupsOf(table);
}

std::optional<DefaultFont> StoredDefaultFont(const MemTable& table, const SettingsFields& fields)
{
    if (table.IsEmpty())
        return std::nullopt;
    return DefaultFont{FromAnsi(fields.FontName.AsString()), fields.FontSize.AsInteger(),
                       static_cast<TColor>(fields.FontColor.AsInteger())};
}

FontSettings ReadFontSettings(const QString& path)
{
    const IniFile ini(path);
    FontSettings settings;
    settings.name = ini.ReadString(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral("Arial"));
    settings.charset = ini.ReadInteger(QStringLiteral("Font"), QStringLiteral("Charset"), 1);
    settings.skip = ini.ReadInteger(QStringLiteral("Settings"), QStringLiteral("Skip"), 0) != 0;
    return settings;
}

void WriteFontSettings(const QString& path, const FontSettings& settings)
{
    IniFile ini(path);
    ini.WriteString(QStringLiteral("Font"), QStringLiteral("Name"), settings.name);
    ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Charset"), settings.charset);
    ini.WriteString(QStringLiteral("Settings"), QStringLiteral("Skip"), settings.skip ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace quill
