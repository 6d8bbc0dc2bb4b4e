// INI files read and written key by key, as FontSettings.Ini is.
#include "platform/inifile.h"

#include "storage/fileio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using quill::IniFile;

namespace {

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }
    void cleanup() { quill::testing::SetReadOnlyFolders(false); }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("charset");
        QTest::addColumn<int>("skip");
        QTest::newRow("no file") << QByteArray() << "Arial" << 1 << 0;
        QTest::newRow("written by the program") << QByteArray("[Font]\r\nName=Tahoma\r\nCharset=0\r\n\r\n[Settings]\r\nSkip=1\r\n")
                                                << "Tahoma" << 0 << 1;
        QTest::newRow("empty name is a name") << QByteArray("[Font]\nName=\n") << "" << 1 << 0;
        QTest::newRow("hexadecimal with $") << QByteArray("[font]\nCHARSET=$CC\n[SETTINGS]\nskip=$1\n") << "Arial" << 204 << 1;
        QTest::newRow("hexadecimal with 0x") << QByteArray("[Font]\nCharset=0xa1\n[Settings]\nSkip=0x1\n") << "Arial" << 161 << 1;
        QTest::newRow("not integers") << QByteArray("[Font]\nCharset=one\n[Settings]\nSkip=yes\n") << "Arial" << 1 << 0;
        QTest::newRow("spaces around") << QByteArray("[ Font ]\n Name = Times New Roman \n[Settings]\nSkip = 7 \n") << "Times New Roman" << 1 << 7;
        QTest::newRow("windows-1252 face") << QByteArray("[Font]\nName=Caf\xe9 Sans\n") << QString::fromUtf8("Café Sans") << 1 << 0;
        QTest::newRow("UTF-8 face") << QByteArray("[Font]\nName=Caf\xc3\xa9 Sans\n") << QString::fromUtf8("Café Sans") << 1 << 0;
        QTest::newRow("key of another section") << QByteArray("[Other]\nName=X\nSkip=1\n") << "Arial" << 1 << 0;
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(int, charset);
        QFETCH(int, skip);
        const QString path = dir_->filePath("FontSettings.Ini");
        if (!file.isEmpty())
            Write(path, file);
        const IniFile ini(path);
        QCOMPARE(ini.ReadString("Font", "Name", "Arial"), name);
        QCOMPARE(ini.ReadInteger("Font", "Charset", 1), charset);
        QCOMPARE(ini.ReadInteger("Settings", "Skip", 0), skip);
    }

    void writingCreatesTheFile()
    {
        const QString path = dir_->filePath("FontSettings.Ini");
        IniFile ini(path);
        ini.WriteString("Font", "Name", "Arial");
        ini.WriteInteger("Font", "Charset", 1);
        ini.WriteString("Settings", "Skip", "0");
        QCOMPARE(Read(path), QByteArray("[Font]\r\nName=Arial\r\nCharset=1\r\n\r\n[Settings]\r\nSkip=0\r\n"));
        QCOMPARE(IniFile(path).ReadString("Font", "Name", "x"), QString("Arial"));
    }

    // Writing replaces only the key's value: comments, unknown keys and sections, line ends
    // and the layout stay as they were.
    void writingKeepsEverythingElse_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replace in place") << QByteArray("; mine\n[Font]\nname = Old\nSize=12\n\n[Other]\nA=1\n")
                                          << QByteArray("; mine\n[Font]\nname =Georgia\nSize=12\n\n[Other]\nA=1\n");
        QTest::newRow("add to its section") << QByteArray("[Font]\r\nCharset=1\r\n\r\n[Settings]\r\nSkip=0\r\n")
                                            << QByteArray("[Font]\r\nCharset=1\r\nName=Georgia\r\n\r\n[Settings]\r\nSkip=0\r\n");
        QTest::newRow("add the section") << QByteArray("[Other]\nA=1")
                                         << QByteArray("[Other]\nA=1\n\n[Font]\nName=Georgia\n");
        QTest::newRow("keep 8-bit bytes elsewhere") << QByteArray("[Font]\r\nName=Old\r\n[Notes]\r\nN=d\xe9j\xe0\r\n")
                                                    << QByteArray("[Font]\r\nName=Georgia\r\n[Notes]\r\nN=d\xe9j\xe0\r\n");
    }
    void writingKeepsEverythingElse()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString path = dir_->filePath("FontSettings.Ini");
        Write(path, before);
        IniFile(path).WriteString("Font", "Name", "Georgia");
        QCOMPARE(Read(path), after);
    }

    void nonAsciiValueInAn8BitFile()
    {
        const QString path = dir_->filePath("FontSettings.Ini");
        Write(path, "[Notes]\nN=d\xe9j\xe0\n");
        IniFile(path).WriteString("Font", "Name", QString::fromUtf8("Café"));
        QCOMPARE(Read(path), QByteArray("[Notes]\nN=d\xe9j\xe0\n\n[Font]\nName=Caf\xe9\n"));
        QCOMPARE(IniFile(path).ReadString("Font", "Name", ""), QString::fromUtf8("Café"));
    }

    void failedWrite()
    {
        const QString path = dir_->filePath("FontSettings.Ini");
        Write(path, "[Font]\nName=Old\n");
        quill::testing::SetReadOnlyFolders(true);
        IniFile ini(path);
        try {
            ini.WriteString("Font", "Name", "New");
            QFAIL("written");
        } catch (const std::exception& e) {
            QCOMPARE(QString(e.what()), "Unable to write to " + path);
        }
        QCOMPARE(Read(path), QByteArray("[Font]\nName=Old\n"));
        QCOMPARE(ini.ReadString("Font", "Name", ""), QString("Old"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
