// Printing the selection through the real printing system: a private CUPS server with a
// cups-pdf queue takes the job, lists it under its title and writes the PDF.
#include "editor_fixture.h"

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

#include <unistd.h>

using namespace quill;
using namespace quill::testing;

namespace {

const QString kServerScript = QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/support/cups-pdf-server.sh");

struct ScriptResult {
    bool ok = false;
    QString out;
    QString err;
};

ScriptResult Server(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("bash"), QStringList{kServerScript} + arguments);
    ScriptResult result;
    result.ok = process.waitForFinished(90000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace

class TestCupsPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The cups-pdf backend runs only as root.
        QVERIFY2(::geteuid() == 0, "the CUPS print test needs root: the cups-pdf backend runs only as root");
        QVERIFY(state_.isValid());
        const ScriptResult started = Server({"start", state_.path()});
        QVERIFY2(started.ok, qPrintable("the CUPS server did not start: " + started.err));
        for (const QString& line : started.out.split('\n')) {
            if (line.startsWith("CUPS_SERVER="))
                qputenv("CUPS_SERVER", line.mid(12).toLocal8Bit());
            else if (line.startsWith("QUILLMERE_PDF_OUT="))
                out_ = line.mid(18);
        }
        QVERIFY2(qEnvironmentVariableIsSet("CUPS_SERVER") && !out_.isEmpty(), qPrintable(started.out));
        running_ = true;
    }
    void cleanupTestCase()
    {
        if (running_)
            Server({"stop", state_.path()});
    }

    void selectionPrintedThroughCups()
    {
        ProgramRun run;
        run.start();
        Load(Rtf("Alpha Bravo Charlie\\par Delta Echo"));
        Select(PositionOf("avo"), PositionOf("Del") + 3 - PositionOf("avo"));
        run.dialogs().printAnswers.push_back([](QPrinter& p) {
            p.setOutputFormat(QPrinter::NativeFormat);
            p.setPrinterName("QuillmerePDF");
            p.setPrintRange(QPrinter::Selection);
            return p.isValid();
        });
        Click(ToolButton("ToolButton13"));
        QVERIFY2(run.dialogs().boxes.empty(), qPrintable(run.dialogs().texts().join('\n')));
        const QString title = "My Journal Entry For " + frmMain->RbPanel1->Caption();
        run.finish();

        const ScriptResult waited = Server({"wait", state_.path()});
        QVERIFY2(waited.ok, qPrintable(waited.err));
        const ScriptResult jobs = Server({"jobs", state_.path()});
        QVERIFY2(jobs.ok, qPrintable(jobs.err));
        const QStringList lines = jobs.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        const QStringList job = lines[0].split('\t');
        QCOMPARE(job.value(1), QString("completed"));
        QCOMPARE(job.value(2), title);

        const QStringList pdfs = QDir(out_).entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QProcess text;
        text.start("pdftotext", {QDir(out_).filePath(pdfs[0]), "-"});
        QVERIFY(text.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(text.readAllStandardOutput()).simplified(), QString("avo Charlie Del"));
    }

private:
    QTemporaryDir state_;
    QString out_;
    bool running_ = false;
};

QUILLMERE_APP_TEST_MAIN(TestCupsPrinting)
#include "tst_cupsprinting.moc"
