#pragma once

// Helpers shared by the rich-text tests: sample files and a sink that records what the
// reader reports.

#include "platform/richedit/rtf_reader.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace testsupport {

inline QString SampleRtfDir()
{
    return QStringLiteral(QUILLMERE_SAMPLES_DIR "/rtf");
}

inline std::string ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The bodies of the sample folder: NAME.rtf and NAME.dat.
inline QStringList SampleBodies()
{
    return QDir(SampleRtfDir()).entryList({QStringLiteral("*.rtf"), QStringLiteral("*.dat")}, QDir::Files, QDir::Name);
}

// RTF as other programs write it: each NAME.rtf has a NAME.txt of its plain text, every
// paragraph followed by "\n".
inline QString FixtureRtfDir()
{
    return QStringLiteral(QUILLMERE_RTF_FIXTURES_DIR);
}

inline QStringList FixtureBodies()
{
    return QDir(FixtureRtfDir()).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
}

struct Run {
    QString text;
    quill::rtf::CharFormat format;
};

struct Paragraph {
    std::vector<Run> runs;
    std::vector<quill::rtf::Picture> pictures;
    quill::rtf::ParaFormat format;
    quill::rtf::CharFormat mark;
    bool ended = false;

    QString Text() const
    {
        QString text;
        for (const Run& run : runs)
            text += run.text;
        return text;
    }
};

class RecordingSink : public quill::rtf::Sink {
public:
    explicit RecordingSink(bool wantPictures = false) : wantPictures_(wantPictures) {}

    bool WantsPictureData() const override { return wantPictures_; }
    void Text(QStringView text, const quill::rtf::CharFormat& format) override
    {
        Current().runs.push_back({text.toString(), format});
    }
    void InsertPicture(quill::rtf::Picture&& picture, const quill::rtf::CharFormat&) override
    {
        Current().pictures.push_back(std::move(picture));
    }
    void EndParagraph(const quill::rtf::ParaFormat& format, const quill::rtf::CharFormat& mark) override
    {
        Paragraph& paragraph = Current();
        paragraph.format = format;
        paragraph.mark = mark;
        paragraph.ended = true;
    }

    std::vector<Paragraph> paragraphs;

    // The run holding `text`, or nullptr.
    const Run* FindRun(const QString& text) const
    {
        for (const Paragraph& paragraph : paragraphs)
            for (const Run& run : paragraph.runs)
                if (run.text.contains(text))
                    return &run;
        return nullptr;
    }

private:
    Paragraph& Current()
    {
        if (paragraphs.empty() || paragraphs.back().ended)
            paragraphs.emplace_back();
        return paragraphs.back();
    }

    bool wantPictures_;
};

} // namespace testsupport
