#pragma once

// The samples journal (tests/samples/cds/journal-samples.cds): its entries in date order,
// each with the sample its body came from.

#include "platform/richedit/support.h"

#include <QByteArray>
#include <QString>

#include <utility>

inline QString SamplesJournal()
{
    return QStringLiteral(QUILLMERE_SAMPLES_DIR "/cds/journal-samples.cds");
}

// The day and the name of the sample whose .txt holds its plain text; no name for the entry
// whose body is null.
inline constexpr std::pair<const char*, const char*> kSampleEntries[] = {
    {"2018-06-01", "plain-body"}, {"2019-12-31", "paragraphs"},   {"2020-02-29", "links"},
    {"2021-03-14", "formatting"}, {"2021-03-15", "codepages"},    {"2022-07-04", "picture-png"},
    {"2022-07-05", "picture-jpeg"}, {"2023-01-01", nullptr},
};

// The plain text of a sample entry, every paragraph followed by "\n"; empty for none.
inline QByteArray SampleText(const char* sample)
{
    if (!sample)
        return {};
    return QByteArray::fromStdString(
        testsupport::ReadFile(testsupport::SampleRtfDir() + u'/' + QLatin1String(sample) + QLatin1String(".txt")));
}
