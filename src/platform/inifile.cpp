#include "platform/inifile.h"

#include "platform/ansi.h"
#include "storage/fileio.h"

#include <QFile>
#include <QStringDecoder>

#include <stdexcept>
#include <vector>

namespace quill {

namespace {

struct Line {
    qsizetype start; // offset of the line in the file
    qsizetype end;   // offset of its end, before "\r\n" or "\n"
};

std::vector<Line> SplitLines(const QByteArray& data)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype next = data.indexOf('\n', start);
        const qsizetype stop = next < 0 ? data.size() : next;
        qsizetype end = stop;
        if (end > start && data[end - 1] == '\r')
            --end;
        lines.push_back({start, end});
        start = next < 0 ? data.size() : next + 1;
    }
    return lines;
}

QByteArray Trimmed(const QByteArray& data, Line line)
{
    return data.mid(line.start, line.end - line.start).trimmed();
}

bool IsUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes); // the conversion runs here
    return !decoder.hasError();
}

// Files the earlier program wrote are 8-bit windows-1252; ours are UTF-8.
QString Decode(const QByteArray& bytes)
{
    return IsUtf8(bytes) ? QString::fromUtf8(bytes) : FromAnsi(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QByteArray Encode(const QString& text, const QByteArray& file)
{
    if (!IsUtf8(file))
        if (const auto ansi = ToAnsi(text))
            return QByteArray(ansi->data(), static_cast<qsizetype>(ansi->size()));
    return text.toUtf8();
}

// Where a key's value lies in the file, and where its section ends.
struct Location {
    bool sectionFound = false;
    qsizetype sectionEnd = -1; // end of the section's last non-blank line
    bool keyFound = false;
    qsizetype valueStart = -1;
    qsizetype valueEnd = -1;
};

Location Find(const QByteArray& data, const QString& section, const QString& key)
{
    Location where;
    bool inSection = false;
    for (const Line& line : SplitLines(data)) {
        const QByteArray text = Trimmed(data, line);
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            const QString name = Decode(text.mid(1, close < 0 ? -1 : close - 1)).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            if (inSection && !where.sectionFound) {
                where.sectionFound = true;
                where.sectionEnd = line.end;
            }
            continue;
        }
        if (!inSection || text.isEmpty())
            continue;
        where.sectionEnd = line.end;
        if (text.startsWith(';') || where.keyFound)
            continue;
        const qsizetype equals = data.indexOf('=', line.start);
        if (equals < 0 || equals >= line.end)
            continue;
        if (Decode(data.mid(line.start, equals - line.start)).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        where.keyFound = true;
        where.valueStart = equals + 1;
        where.valueEnd = line.end;
    }
    return where;
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path))
{
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly))
        data_ = file.readAll();
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Location where = Find(data_, section, key);
    if (!where.keyFound)
        return defaultValue;
    QString value = Decode(data_.mid(where.valueStart, where.valueEnd - where.valueStart)).trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    bool ok = false;
    int value = 0;
    if (text.startsWith('$'))
        value = static_cast<int>(text.mid(1).toUInt(&ok, 16));
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = static_cast<int>(text.mid(2).toUInt(&ok, 16));
    else
        value = text.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray newline = data_.contains("\r\n") || data_.isEmpty() ? QByteArray("\r\n") : QByteArray("\n");
    const QByteArray encodedValue = Encode(value, data_);
    QByteArray updated = data_;
    const Location where = Find(data_, section, key);
    if (where.keyFound) {
        updated.replace(where.valueStart, where.valueEnd - where.valueStart, encodedValue);
    } else if (where.sectionFound) {
        updated.insert(where.sectionEnd, newline + Encode(key, data_) + '=' + encodedValue);
    } else {
        if (!updated.isEmpty() && !updated.endsWith('\n'))
            updated += newline;
        if (!updated.isEmpty() && !updated.endsWith(newline + newline) && updated != newline)
            updated += newline;
        updated += '[' + Encode(section, data_) + ']' + newline + Encode(key, data_) + '=' + encodedValue + newline;
    }
    try {
        ReplaceFile(path_.toStdString(), {std::string_view(updated.constData(), static_cast<std::size_t>(updated.size()))});
    } catch (const std::exception&) {
        throw std::runtime_error("Unable to write to " + path_.toStdString());
    }
    data_ = updated;
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

} // namespace quill
