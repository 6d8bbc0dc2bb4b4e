// The settings window, the settings row and FontSettings.Ini as the user changes them.
#include "app_fixture.h"

#include "app/appstyle.h"
#include "search/tfrmdbsearch.h"

#include "platform/inifile.h"

#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

// What Settings.cds holds: password (or nullopt when unassigned), face, size, colour.
struct StoredSettings {
    std::optional<std::string> password;
    std::string face;
    int size = 0;
    int color = 0;
};

std::optional<StoredSettings> ReadSettings(const QString& path)
{
    if (!QFile::exists(path))
        return std::nullopt;
    MemTable table("tblPassword");
    const SettingsFields f = DeclareSettingsFields(table);
    table.SetFileName(path.toStdString());
    table.Open();
    if (table.IsEmpty())
        return std::nullopt;
    return StoredSettings{f.Password.IsNull() ? std::nullopt : std::optional<std::string>(f.Password.AsString()),
                          f.FontName.AsString(), f.FontSize.AsInteger(), f.FontColor.AsInteger()};
}

// Opens the settings window from the main window and runs `action` in it.
void InSettings(std::function<void(TfrmSettings*)> action)
{
    WhenModal<TfrmSettings>(action);
    QTest::mouseClick(frmMain->btnSettings, Qt::LeftButton);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstSaveWithoutTypingAPassword()
    {
        ProgramRun run;
        run.start();
        InSettings([](TfrmSettings* s) {
            QCOMPARE(s->SelectedFace(), QString("Arial"));
            QCOMPARE(s->SpinEdit1->value(), 11);
            QCOMPARE(s->ColorBox1->Selected(), 0u);
            QCOMPARE(s->DBEdit1->text(), QString());
            QTest::mouseClick(s->btnSave, Qt::LeftButton);
        });
        QVERIFY(!frmSettings->isVisible());
        run.finish();
        QCOMPARE(ReadBytes(run.path("Settings.cds")), ReadBytes(QUILLMERE_SAMPLES_DIR "/cds/settings-arial-11.cds"));
    }

    void savingPasswordAndFont()
    {
        ProgramRun run;
        run.start();
        InSettings([](TfrmSettings* s) {
            QTest::keyClicks(s->DBEdit1, "Open Sesame");
            s->SelectFace("Liberation Serif");
            s->SpinEdit1->setValue(14);
            s->ColorBox1->SetSelected(0x00800000);
            QTest::keyClick(s->DBEdit1, Qt::Key_Return); // Enter saves
        });
        run.finish();
        const auto stored = ReadSettings(run.path("Settings.cds"));
        QVERIFY(stored);
        QCOMPARE(stored->password, std::optional<std::string>("Open Sesame"));
        QCOMPARE(stored->face, std::string("Liberation Serif"));
        QCOMPARE(stored->size, 14);
        QCOMPARE(stored->color, 0x00800000);

        // The next run asks for it.
        ProgramRun next;
        QFile::copy(run.path("Settings.cds"), next.path("Settings.cds"));
        next.start("open sesame");
        QVERIFY(!frmMain->LoginPassed());
        next.finish();
    }

    void passwordFieldTakesTwentyCharacters()
    {
        ProgramRun run;
        run.start();
        InSettings([](TfrmSettings* s) {
            QTest::keyClicks(s->DBEdit1, "abcdefghijklmnopqrstuvwxyz");
            QCOMPARE(s->DBEdit1->text(), QString("abcdefghijklmnopqrst"));
            QTest::mouseClick(s->btnSave, Qt::LeftButton);
        });
        run.finish();
        QCOMPARE(ReadSettings(run.path("Settings.cds"))->password, std::optional<std::string>("abcdefghijklmnopqrst"));
    }

    // Cancel keeps the stored password and font, while the window's font controls and the
    // switch keep what the user set for the next opening.
    void cancelKeepsTheStoredRow()
    {
        ProgramRun run;
        run.start();
        InSettings([](TfrmSettings* s) {
            QTest::keyClicks(s->DBEdit1, "first");
            QTest::mouseClick(s->btnSave, Qt::LeftButton);
        });
        InSettings([](TfrmSettings* s) {
            QCOMPARE(s->DBEdit1->text(), QString("first"));
            s->DBEdit1->clear();
            QTest::keyClicks(s->DBEdit1, "second");
            s->SpinEdit1->setValue(30);
            s->chkSkip->SetChecked(true);
            QTest::mouseClick(s->btnCancel, Qt::LeftButton);
        });
        QVERIFY(frmSettings->chkSkip->Checked());
        InSettings([](TfrmSettings* s) {
            QCOMPARE(s->DBEdit1->text(), QString("first"));
            QCOMPARE(s->SpinEdit1->value(), 30);
            QTest::keyClick(s, Qt::Key_Escape); // leaves as Cancel does
        });
        QCOMPARE(frmLogin->tblPassword.State(), TableState::Browse);
        run.finish();
        const auto stored = ReadSettings(run.path("Settings.cds"));
        QCOMPARE(stored->password, std::optional<std::string>("first"));
        QCOMPARE(stored->size, 11);
        QCOMPARE(IniFile(run.path("FontSettings.Ini")).ReadInteger("Settings", "Skip", 0), 1);
    }

    // A character the table's 8-bit text cannot hold is refused with a message; the window
    // stays open with the row still being edited.
    void passwordOutsideTheTablesCharacters()
    {
        ProgramRun run;
        run.start();
        InSettings([](TfrmSettings* s) {
            TypeText(s->DBEdit1, QString::fromUtf8("пароль"));
            QTest::mouseClick(s->btnSave, Qt::LeftButton);
            QVERIFY(s->isVisible());
            QCOMPARE(frmLogin->tblPassword.State(), TableState::Insert);
            s->DBEdit1->clear();
            TypeText(s->DBEdit1, QString::fromUtf8("café"));
            QTest::mouseClick(s->btnSave, Qt::LeftButton);
        });
        QCOMPARE(run.dialogs().boxes.size(), std::size_t(1));
        QCOMPARE(run.dialogs().boxes[0].title, QString("Error"));
        QVERIFY(run.dialogs().boxes[0].text.contains(QString::fromUtf8("пароль")));
        run.finish();
        QCOMPARE(ReadSettings(run.path("Settings.cds"))->password, std::optional<std::string>("caf\xe9"));
    }

    void missingFaceIsSavedEmpty()
    {
        ProgramRun run;
        run.start();
        InSettings([](TfrmSettings* s) {
            s->SelectFace("No Such Face Installed");
            QCOMPARE(s->SelectedFace(), QString());
            s->ColorBox1->SetSelected(0x00123456);
            QCOMPARE(s->ColorBox1->Selected(), 0xFF000000u);
            QTest::mouseClick(s->btnSave, Qt::LeftButton);
        });
        run.finish();
        const auto stored = ReadSettings(run.path("Settings.cds"));
        QCOMPARE(stored->face, std::string());
        QCOMPARE(static_cast<quint32>(stored->color), 0xFF000000u);
    }

    void colorListHasTheTwentyNamedColours()
    {
        ProgramRun run;
        run.create();
        QCOMPARE(frmSettings->ColorBox1->count(), 20);
        QCOMPARE(frmSettings->ColorBox1->itemText(0), QString("clBlack"));
        QCOMPARE(frmSettings->ColorBox1->itemText(16), QString("clMoneyGreen"));
        QCOMPARE(frmSettings->ColorBox1->itemData(17).toUInt(), 0x00F0CAA6u);
        QCOMPARE(frmSettings->ColorBox1->itemText(19), QString("clMedGray"));
        QCOMPARE(frmSettings->SpinEdit1->minimum(), 6);
        QCOMPARE(frmSettings->SpinEdit1->maximum(), 200);
    }

    void fontSettingsAreReadAtEachActivation_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("charset");
        QTest::addColumn<bool>("skip");
        QTest::newRow("defaults") << QByteArray() << "Arial" << 1 << false;
        QTest::newRow("hexadecimal with $") << QByteArray("[Font]\nName=Georgia\nCharset=$CC\n[Settings]\nSkip=$1\n")
                                            << "Georgia" << 204 << true;
        QTest::newRow("hexadecimal with 0x") << QByteArray("[Settings]\nSkip=0x1\n") << "Arial" << 1 << true;
    }
    void fontSettingsAreReadAtEachActivation()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, face);
        QFETCH(int, charset);
        QFETCH(bool, skip);
        ProgramRun run;
        if (!ini.isEmpty())
            WriteBytes(run.path("FontSettings.Ini"), ini);
        run.start();
        frmMain->FormActivate();
        QCOMPARE(frmMain->RbPanel1->font().family(), face);
        QCOMPARE(frmMain->HeaderCharset(), charset);
        QCOMPARE(frmSettings->chkSkip->Checked(), skip);
        run.finish();
    }

    // Coming back from the search window reads the stored switch again.
    void returnFromTheSearchWindowRereadsTheSwitch()
    {
        ProgramRun run;
        run.start();
        QVERIFY(QTest::qWaitForWindowActive(frmMain));
        frmSettings->chkSkip->SetChecked(true);
        // Returning from a modal window reads nothing.
        WhenModal<TfrmCalendar>([](TfrmCalendar* calendar) { calendar->reject(); });
        QTest::mouseClick(frmMain->btnCalendar, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(frmMain));
        QVERIFY(frmSettings->chkSkip->Checked());
        QTest::mouseClick(frmMain->btnDBSearch, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(frmDBSearch));
        frmMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frmMain));
        QTRY_VERIFY(!frmSettings->chkSkip->Checked());
        run.finish();
    }

    // A header font change is written at once; only face and character set survive.
    void headerFontChange()
    {
        ProgramRun run;
        run.start();
        FontChoice chosen{PixelFont("Liberation Serif", 40), 0x000000FF, 0};
        chosen.font.setItalic(true);
        run.dialogs().fontAnswers.push_back(chosen);
        QTest::mouseClick(frmMain->btnHeaderFont, Qt::LeftButton);
        QCOMPARE(frmMain->RbPanel1->font().family(), QString("Liberation Serif"));
        QCOMPARE(frmMain->RbPanel1->FontColor(), 0x000000FFu);
        QCOMPARE(IniFile(run.path("FontSettings.Ini")).ReadString("Font", "Name", ""), QString("Liberation Serif"));
        QCOMPARE(IniFile(run.path("FontSettings.Ini")).ReadInteger("Font", "Charset", 1), 0);
        run.dialogs().fontAnswers.push_back(std::nullopt); // cancelled: nothing changes
        QTest::mouseClick(frmMain->btnHeaderFont, Qt::LeftButton);
        QCOMPARE(frmMain->RbPanel1->font().family(), QString("Liberation Serif"));
        run.finish();

        ProgramRun next;
        QFile::copy(run.path("FontSettings.Ini"), next.path("FontSettings.Ini"));
        next.start();
        QCOMPARE(frmMain->RbPanel1->font().family(), QString("Liberation Serif"));
        QCOMPARE(frmMain->RbPanel1->font().pixelSize(), 29);
        QVERIFY(!frmMain->RbPanel1->font().italic());
        QCOMPARE(frmMain->RbPanel1->FontColor(), clWhite);
        next.finish();
    }
};

QUILLMERE_APP_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
