// Fuzzes the RTF reader through both of its sinks: whatever the bytes, the plain-text
// extraction gives exactly the text of the document the control builds, writing that
// document and reading it back gives the same text again, and the search, which reads
// paragraph by paragraph and stops early, finds what is in that text and nothing else.
#include "platform/richedit/document_builder.h"
#include "platform/richedit/picture_object.h"
#include "platform/richedit/plain_text.h"
#include "platform/richedit/rtf_writer.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

QGuiApplication& Application()
{
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
    return application;
}

QString DocumentText(const QTextDocument& document)
{
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Application();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const QString extracted = quill::BodyPlainText(bytes);

    QTextDocument document;
    if (!quill::richtext::LoadRtf(document, bytes, {}))
        quill::richtext::LoadPlainText(document, bytes, quill::rtf::PlainEncoding::Windows1252, {});
    if (DocumentText(document) != extracted)
        std::abort();

    const std::string written = quill::richtext::WriteRtf(document);
    if (quill::BodyPlainText(written) != extracted)
        std::abort();

    const QString inside = extracted.mid(extracted.size() / 3, 5);
    if (!inside.isEmpty() && !quill::BodySearch(inside).Matches(bytes))
        std::abort();
    for (const QString& needle : {QStringLiteral("e\nt"), QStringLiteral("\u00e9")}) {
        if (quill::BodySearch(needle).Matches(bytes) != extracted.contains(needle, Qt::CaseInsensitive))
            std::abort();
    }
    return 0;
}
