// The life of a run: start, the password gate, typing, and every way of ending it.
#include "app_fixture.h"

#include "platform/inifile.h"
#include "storage/fileio.h"

#include <QtTest>

#include <csignal>

using namespace quill;
using namespace quill::testing;

namespace {

void WriteSettingsRow(const QString& path, const std::optional<std::string>& password)
{
    MemTable table("tblPassword");
    const SettingsFields f = DeclareSettingsFields(table);
    table.SetFileName(path.toStdString());
    table.CreateTable();
    table.Insert();
    if (password)
        f.Password.SetAsString(*password);
    f.FontName.SetAsString("Arial");
    f.FontSize.SetAsInteger(11);
    f.FontColor.SetAsInteger(0);
    table.Post();
    table.Close();
}

} // namespace

class TestLifecycle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartWithoutFiles()
    {
        ProgramRun run;
        run.start();
        QVERIFY(frmMain->isVisible());
        QCOMPARE(frmMain->CurrentDate(), Today());
        QCOMPARE(frmMain->RbPanel1->Caption(), FormatLongDay(Today()));
        QCOMPARE(frmMain->Editor->TextLength(), 0);
        run.finish();
        QVERIFY(!QFile::exists(run.path("Journal.cds")));
        QVERIFY(!QFile::exists(run.path("Settings.cds")));
        QCOMPARE(ReadBytes(run.path("FontSettings.Ini")),
                 QByteArray("[Font]\r\nName=Arial\r\nCharset=1\r\n\r\n[Settings]\r\nSkip=0\r\n"));
        QVERIFY(run.dialogs().boxes.empty());
    }

    // However the main window is closed, the typed text is stored under today.
    void typedTextIsStoredAtTheEnd_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Exit button") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("SIGTERM") << 2;
        QTest::newRow("end of the desktop session") << 3;
    }
    void typedTextIsStoredAtTheEnd()
    {
        QFETCH(int, way);
        ProgramRun run;
        run.start();
        static_cast<QuillmereApplication*>(qApp)->OnTermination([] {
            if (frmMain && !frmMain->Closed())
                frmMain->close();
        });
        run.type("Dear diary, it rained.");
        QVERIFY(frmMain->Editor->Modified());
        switch (way) {
        case 0:
            QTest::mouseClick(frmMain->btnExit, Qt::LeftButton);
            break;
        case 1:
            frmMain->close();
            break;
        case 2:
            std::raise(SIGTERM);
            QTRY_VERIFY(frmMain->Closed());
            break;
        case 3:
            static_cast<QuillmereApplication*>(qApp)->Terminate();
            break;
        }
        QVERIFY(frmMain->Closed());
        run.finish();
        const auto texts = JournalTexts(run.path("Journal.cds"));
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.value(QDate::currentDate()), QString("Dear diary, it rained."));
    }

    void passwordGate_data()
    {
        QTest::addColumn<int>("row"); // 0 no row, 1 empty password, 2 "Secret"
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("passes");
        QTest::newRow("no row, empty field") << 0 << "" << true;
        QTest::newRow("no row, any text") << 0 << "anything" << true;
        QTest::newRow("empty password, empty field") << 1 << "" << true;
        QTest::newRow("empty password, text") << 1 << "x" << false;
        QTest::newRow("right password") << 2 << "Secret" << true;
        QTest::newRow("other letter case") << 2 << "secret" << false;
        QTest::newRow("longer than any password") << 2 << "Secret and a lot more than twenty" << false;
    }
    void passwordGate()
    {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(bool, passes);
        ProgramRun run;
        if (row == 1)
            WriteSettingsRow(run.path("Settings.cds"), std::string());
        if (row == 2)
            WriteSettingsRow(run.path("Settings.cds"), std::string("Secret"));
        WriteBytes(run.path("FontSettings.Ini"), "[Font]\r\nName=Georgia\r\nCharset=0\r\n[Settings]\r\nSkip=1\r\n");
        run.start(typed);
        QCOMPARE(frmMain->LoginPassed(), passes);
        QCOMPARE(frmMain->isVisible(), passes);
        QCOMPARE(frmMain->HasCurrentDate(), passes);
        QCOMPARE(run.dialogs().texts(), passes ? QStringList() : QStringList{"Invalid Password."});
        if (!passes)
            QCOMPARE(run.dialogs().boxes[0].title, QString("Information"));
        run.finish();
        // A run that ended at the prompt leaves the stored header font and switch alone.
        QCOMPARE(IniFile(run.path("FontSettings.Ini")).ReadString("Font", "Name", ""), QString("Georgia"));
        QCOMPARE(IniFile(run.path("FontSettings.Ini")).ReadInteger("Settings", "Skip", 0), 1);
        QVERIFY(!QFile::exists(run.path("Journal.cds")));
    }

    void enterInThePasswordFieldLogsIn()
    {
        ProgramRun run;
        WriteSettingsRow(run.path("Settings.cds"), std::string("pw"));
        run.create();
        WhenModal<TfrmLogin>([](TfrmLogin* login) {
            QTest::keyClicks(login->edtPassword, "pw");
            QTest::keyClick(login->edtPassword, Qt::Key_Return);
        });
        frmMain->show();
        QVERIFY(frmMain->LoginPassed());
        QVERIFY(frmMain->isVisible());
        run.finish();
    }

    void exitAtThePromptEndsTheRun()
    {
        ProgramRun run;
        run.create();
        AnswerLogin(QString(), true);
        frmMain->show();
        QVERIFY(!frmMain->isVisible());
        QVERIFY(frmMain->Closed());
        QVERIFY(!frmMain->HasCurrentDate());
        QCOMPARE(frmMain->RbPanel1->Caption(), QString("Quillmere"));
        run.finish();
        QVERIFY(!QFile::exists(run.path("FontSettings.Ini")));
    }

    // A stored default font applies to an empty day, and the table keeps the row.
    void emptyDayTakesTheDefaultFont()
    {
        ProgramRun run;
        WriteSettingsRow(run.path("Settings.cds"), std::nullopt);
        run.start();
        QCOMPARE(frmMain->Editor->SelAttributes().Name(), QString("Arial"));
        QCOMPARE(frmMain->Editor->SelAttributes().Size(), 11);
        QVERIFY(!frmMain->Editor->Modified());
        run.finish();
        QCOMPARE(ReadBytes(run.path("Settings.cds")).size(), 135);
    }

    void unwritableFontSettingsAtTheEnd()
    {
        ProgramRun run;
        run.start();
        quill::testing::SetReadOnlyFolders(true);
        run.dialogs().questionAnswers = {"Cancel"};
        QTest::mouseClick(frmMain->btnExit, Qt::LeftButton);
        QVERIFY(!frmMain->Closed());
        quill::testing::SetReadOnlyFolders(false);
        QCOMPARE(run.dialogs().texts(), QStringList{"Unable to write to " + run.path("FontSettings.Ini") +
                                                    "\n\nChoose Retry to write it again, or Cancel to go back to "
                                                    "the journal."});
        QCOMPARE(run.dialogs().boxes[0].buttons, (QStringList{"Retry", "Cancel"}));
        run.finish();
        QVERIFY(QFile::exists(run.path("FontSettings.Ini")));
    }
};

QUILLMERE_APP_TEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
