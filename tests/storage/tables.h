#pragma once

// The program's two tables, declared as their windows declare them, for the storage tests.

#include "storage/memtable.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>
#include <string>

struct JournalTable {
    quill::MemTable table{"tblJournal"};
    quill::Field& JournalDate = table.AddField("JournalDate", quill::FieldType::DateTime);
    quill::Field& JournalEntry = table.AddField("JournalEntry", quill::FieldType::Blob);

    explicit JournalTable(const QString& path)
    {
        table.SetFileName(path.toStdString());
        table.SetIndexFieldNames("JournalDate");
    }
};

struct SettingsTable {
    quill::MemTable table{"tblPassword"};
    quill::Field& Password = table.AddField("Password", quill::FieldType::String, 20);
    quill::Field& FontName = table.AddField("FontName", quill::FieldType::String, 50);
    quill::Field& FontSize = table.AddField("FontSize", quill::FieldType::Integer);
    quill::Field& FontColor = table.AddField("FontColor", quill::FieldType::Integer);

    explicit SettingsTable(const QString& path) { table.SetFileName(path.toStdString()); }
};

// The open step of both tables: create when there is no file, open, stop logging changes.
inline void OpenLikeTheProgram(quill::MemTable& table)
{
    if (!QFile::exists(QString::fromStdString(table.FileName())))
        table.CreateTable();
    table.Open();
    table.SetLogChanges(false);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray Sample(const QString& relative)
{
    return ReadFile(QStringLiteral(QUILLMERE_SAMPLES_DIR "/") + relative);
}

inline QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

constexpr double kDay20100908 = 40429; // 2010-09-08
