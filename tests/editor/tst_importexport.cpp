// Import and Export through the toolbar: formats by extension, plain-text mode and stream
// mode, the dialogs' options, and failures that leave the editor and the files as they were.
#include "editor_fixture.h"

#include "storage/fileio.h"

#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

QByteArray Utf16(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

} // namespace

class TestImportExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
    }
    void cleanup()
    {
        quill::testing::SetReadOnlyFolders(false);
        quill::testing::SetWriteLimit(std::nullopt);
        run_->finish();
        run_.reset();
    }

    void importDialogOptions()
    {
        run_->dialogs().openAnswers.push_back(QString()); // cancelled
        Load(Rtf("kept {\\b text}"));
        Click(ToolButton("btnNoteBookOpen"));
        const FileDialogOptions& asked = run_->dialogs().fileRequests.at(0);
        QCOMPARE(asked.title, QString("Import Document"));
        QCOMPARE(asked.filters.size(), 3);
        QCOMPARE(asked.filters[0].patterns, (QStringList{"*.rtf", "*.txt"}));
        QCOMPARE(asked.defaultSuffix, QString("rtf"));
        QVERIFY(asked.mustExist);
        QCOMPARE(Editor()->Text(), QString("kept text"));
        QVERIFY(!Editor()->Modified());
    }

    void import_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("plainMode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold"); // the first character
        QTest::newRow("rtf") << "a.rtf" << QByteArray("{\\rtf1\\ansi {\\b Bold} words\\par}") << false << "Bold words"
                             << true;
        QTest::newRow(".TXT is plain text") << "A.TXT" << QByteArray("{\\rtf1 \\b no}") << true << "{\\rtf1 \\b no}"
                                            << false;
        QTest::newRow(".doc holding rich text") << "b.doc" << QByteArray("{\\rtf1\\ansi {\\b x}y}") << false << "xy"
                                                << true;
        QTest::newRow(".doc holding plain text is read again as text")
            << "c.doc" << QByteArray("just words") << false << "just words" << false;
        QTest::newRow("UTF-8 in a .txt shows its bytes as 8-bit characters")
            << "d.txt" << QByteArray("caf\xc3\xa9") << true << QString::fromUtf8("caf\xc3\x83\xc2\xa9") << false;
        QTest::newRow("CR LF, LF and CR each end a paragraph")
            << "e.txt" << QByteArray("one\r\ntwo\nthree\rfour") << true << "one\ntwo\nthree\nfour" << false;
    }
    void import()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, plainMode);
        const QString path = run_->path(name);
        WriteBytes(path, bytes);
        Load(Rtf("before"));
        Editor()->SetSelStart(3);
        run_->dialogs().openAnswers.push_back(path);
        Click(ToolButton("btnNoteBookOpen"));
        QVERIFY(run_->dialogs().boxes.empty());
        QTEST(Editor()->Text(), "text");
        QCOMPARE(Editor()->PlainText(), plainMode);
        QCOMPARE(Editor()->StreamMode(), plainMode ? TStreamMode() : TStreamMode(smUnicode));
        QCOMPARE(Editor()->StreamFormat(), sfRichText);
        QCOMPARE(Editor()->SelStart(), 0);
        QTEST(bool(StyleAt(0) & fsBold), "bold");
        QVERIFY(Editor()->Modified());
    }

    void importedDocumentIsStoredAtTheNextMove()
    {
        const QString path = run_->path("letter.rtf");
        WriteBytes(path, "{\\rtf1\\ansi Dear diary\\par}");
        const QDate today = ToQDate(frmMain->CurrentDate());
        run_->dialogs().openAnswers.push_back(path);
        Click(ToolButton("btnNoteBookOpen"));
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        run_->finish();
        QCOMPARE(JournalTexts(run_->path("Journal.cds")).value(today), QString("Dear diary"));
    }

    void plainTextThenRichTextImport()
    {
        WriteBytes(run_->path("a.txt"), "plain");
        WriteBytes(run_->path("b.rtf"), "{\\rtf1\\ansi {\\i slanted}\\par}");
        run_->dialogs().openAnswers = {run_->path("a.txt"), run_->path("b.rtf")};
        Click(ToolButton("btnNoteBookOpen"));
        QVERIFY(Editor()->PlainText());
        Click(ToolButton("btnNoteBookOpen"));
        QVERIFY(!Editor()->PlainText());
        QCOMPARE(Editor()->StreamMode(), TStreamMode(smUnicode));
        QCOMPARE(Editor()->Text(), QString("slanted"));
        QCOMPARE(StyleAt(0), FontStyles(fsItalic));
    }

    void importThatCannotReadTheFileChangesNothing()
    {
        const QString missing = run_->path("missing.txt");
        Load(Rtf("{\\b formatted} text"));
        Editor()->SetModified(true);
        run_->dialogs().openAnswers.push_back(missing);
        Click(ToolButton("btnNoteBookOpen"));
        QCOMPARE(run_->dialogs().texts(), QStringList{"Cannot open file " + missing});
        QCOMPARE(run_->dialogs().boxes[0].title, QString("Quillmere"));
        QVERIFY(!Editor()->PlainText());
        QCOMPARE(Editor()->StreamMode(), TStreamMode(smUnicode));
        QCOMPARE(Editor()->Text(), QString("formatted text"));
        QCOMPARE(StyleAt(0), FontStyles(fsBold));
        QVERIFY(Editor()->Modified());
    }

    void exportDialogOptions()
    {
        Load(Rtf("text"));
        run_->dialogs().saveAnswers.push_back(QString());
        Click(ToolButton("btnNoteBookSaveAs"));
        const FileDialogOptions& asked = run_->dialogs().fileRequests.at(0);
        QVERIFY(asked.title.isEmpty());
        QCOMPARE(asked.filters.size(), 1);
        QCOMPARE(asked.filters[0].patterns, QStringList{"*.rtf"});
        QCOMPARE(asked.defaultSuffix, QString("rtf"));
        QVERIFY(asked.confirmOverwrite);
    }

    void exportFormats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("afterTxtImport");
        QTest::addColumn<QString>("kind"); // rtf, utf16 or 8bit
        QTest::newRow("rtf") << "out.rtf" << false << "rtf";
        QTest::newRow("no extension is rich text") << "out" << false << "rtf";
        QTest::newRow("another extension is rich text") << "out.doc" << false << "rtf";
        QTest::newRow(".txt is UTF-16") << "out.txt" << false << "utf16";
        QTest::newRow(".TXT is UTF-16") << "OUT.TXT" << false << "utf16";
        QTest::newRow(".txt after a .txt import is 8-bit") << "out.txt" << true << "8bit";
    }
    void exportFormats()
    {
        QFETCH(QString, name);
        QFETCH(bool, afterTxtImport);
        QFETCH(QString, kind);
        if (afterTxtImport) {
            WriteBytes(run_->path("in.txt"), "x");
            run_->dialogs().openAnswers.push_back(run_->path("in.txt"));
            Click(ToolButton("btnNoteBookOpen"));
        }
        Load(Rtf("caf\\'e9 {\\b au lait}\\par second"));
        Select(2, 3);
        const std::string rtf = Editor()->StreamOut(sfRichText);
        const QString path = run_->path(name);
        run_->dialogs().saveAnswers.push_back(path);
        Click(ToolButton("btnNoteBookSaveAs"));
        QVERIFY(run_->dialogs().boxes.empty());
        const QByteArray written = ReadBytes(path);
        if (kind == "rtf")
            QCOMPARE(written, QByteArray::fromStdString(rtf));
        else if (kind == "utf16")
            QCOMPARE(written, Utf16(QString::fromUtf8("caf\xc3\xa9 au lait\r\nsecond\r\n")));
        else
            QCOMPARE(written, QByteArray("caf\xe9 au lait\r\nsecond\r\n"));
        // Export changes nothing in the editor.
        QCOMPARE(Editor()->SelStart(), 2);
        QCOMPARE(Editor()->SelLength(), 3);
        QVERIFY(!Editor()->Modified());
        QCOMPARE(Editor()->PlainText(), afterTxtImport);
    }

    void emptyEntryShowsNoDialog_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("dialog");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("empty lines are text") << "\\par\\par" << true;
    }
    void emptyEntryShowsNoDialog()
    {
        QFETCH(QString, body);
        QFETCH(bool, dialog);
        Load(Rtf(body.toStdString()));
        run_->dialogs().saveAnswers.push_back(run_->path("lines.rtf"));
        Click(ToolButton("btnNoteBookSaveAs"));
        QCOMPARE(run_->dialogs().fileRequests.size(), std::size_t(dialog ? 1 : 0));
        QCOMPARE(QFile::exists(run_->path("lines.rtf")), dialog);
    }

    void failedExportKeepsTheExistingFile_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder cannot be written") << false << "Permission denied.";
        QTest::newRow("disk full") << true << "No space left on device.";
    }
    void failedExportKeepsTheExistingFile()
    {
        QFETCH(bool, fullDisk);
        QFETCH(QString, reason);
        const QString path = run_->path("old.rtf");
        WriteBytes(path, "precious");
        Load(Rtf("a new text that is longer than the limit"));
        if (fullDisk)
            quill::testing::SetWriteLimit(8);
        else
            quill::testing::SetReadOnlyFolders(true);
        run_->dialogs().saveAnswers.push_back(path);
        Click(ToolButton("btnNoteBookSaveAs"));
        QCOMPARE(run_->dialogs().texts(), QStringList{"Cannot create file " + path + "\n\n" + reason});
        QCOMPARE(run_->dialogs().boxes[0].title, QString("Error"));
        QCOMPARE(ReadBytes(path), QByteArray("precious"));
        QCOMPARE(QDir(run_->path("")).entryList(QDir::Files | QDir::Hidden).filter("old").size(), 1);
    }

private:
    std::unique_ptr<ProgramRun> run_;
};

QUILLMERE_APP_TEST_MAIN(TestImportExport)
#include "tst_importexport.moc"
