// Regional dates, 8-bit text, the data directory, the wait cursor and the font list.
#include "platform/ansi.h"
#include "platform/datadir.h"
#include "platform/fontcombobox.h"
#include "platform/regional.h"
#include "platform/waitcursor.h"

#include "storage/datetime.h"

#include <QApplication>
#include <QFontInfo>
#include <QLocale>
#include <QtTest>

using namespace quill;

class TestServices : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Faces are listed once each, by the names entries use, stand-ins included.
    void fontListNamesFacesAsEntriesDo()
    {
        TFontComboBox box;
        QStringList faces;
        for (int i = 0; i < box.count(); ++i)
            faces << box.itemText(i);
        for (const QString& face : faces)
            QVERIFY2(!face.endsWith(u']'), qPrintable(face));
        QCOMPARE(QStringList(faces).removeDuplicates(), 0);
        QVERIFY(faces.contains("Arial"));
        if (QFontInfo(QFont("Symbol")).family().startsWith("Standard Symbols"))
            QVERIFY(faces.contains("Symbol"));
        box.SelectFace("symbol");
        QCOMPARE(box.SelectedFace(), faces.contains("Symbol") ? QString("Symbol") : QString());
    }

    void longDayFollowsTheRegionalSettings_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "05 March 2024";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << QString::fromUtf8("05 März 2024");
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << "05 mars 2024";
    }
    void longDayFollowsTheRegionalSettings()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(FormatLongDay(EncodeEntryDate({2024, 3, 5})), text);
    }

    void dates()
    {
        QCOMPARE(FromQDate(QDate(2010, 9, 8)), 40429.0);
        QCOMPARE(ToQDate(40429.75), QDate(2010, 9, 8));
        QCOMPARE(ToQDate(Today()), QDate::currentDate());
    }

    void ansiText()
    {
        const std::string bytes = "caf\xe9 \x80 \x93quoted\x94 \x81";
        const QString text = FromAnsi(bytes);
        QCOMPARE(text, QString::fromUtf8("café € “quoted” \u0081"));
        QCOMPARE(ToAnsi(text), std::optional<std::string>(bytes));
        QCOMPARE(ToAnsi(QString::fromUtf8("Пароль")), std::optional<std::string>());
    }

    void dataDirectoryIsTheExecutablesFolder()
    {
        QCOMPARE(DataDirectory(), QCoreApplication::applicationDirPath() + "/");
        testing::SetDataDirectory("/tmp/somewhere/");
        QCOMPARE(DataDirectory(), QString("/tmp/somewhere/"));
        testing::SetDataDirectory({});
    }

    void waitCursorIsRestoredOnFailure()
    {
        try {
            WaitCursor wait;
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            throw std::runtime_error("failed");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
