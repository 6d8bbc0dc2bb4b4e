// Where the data files live: beside the executable for a portable copy (a folder holding a
// journal, or one the user can write), in $XDG_DATA_HOME/quillmere for an installed program,
// made for the user alone (folder 0700, files 0600).
#include "app_fixture.h"

#include "platform/datadir.h"
#include "storage/fileio.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

using namespace quill;
using namespace quill::testing;

namespace {

constexpr const char* kInstalledRun = "--installed-run";

// A folder that exists and that nobody can write, root included.
const QString kReadOnlyFolder = QStringLiteral("/proc");

unsigned ModeOf(const QString& path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// The program as installed: its folder read-only and without a journal. It types a line,
// closes, and prints the data folder it used.
int InstalledRun()
{
    SetExecutableDirectory(kReadOnlyFolder);
    ScopedDialogs dialogs;
    Program program;
    AnswerLogin({});
    frmMain->show();
    QApplication::processEvents();
    QTest::keyClicks(frmMain->Editor, "kept in the home folder");
    frmMain->close();
    QApplication::processEvents();
    std::printf("%s\n", qPrintable(DataDirectory()));
    return program.Finish(0) + (dialogs->boxes.empty() ? 0 : 10);
}

} // namespace

class TestDataFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theRule_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("journalThere");
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("expected"); // "portable", or below the home folder
        QTest::newRow("writable folder") << true << false << "" << "portable";
        QTest::newRow("read-only folder holding a journal") << false << true << "" << "portable";
        QTest::newRow("installed, XDG_DATA_HOME unset") << false << false << "" << ".local/share/quillmere";
        QTest::newRow("installed, XDG_DATA_HOME set") << false << false << "/data" << "data/quillmere";
        QTest::newRow("installed, XDG_DATA_HOME relative") << false << false << "rel" << ".local/share/quillmere";
        QTest::newRow("installed in /usr/bin by a user who may write there") << true << false << "" << "/usr/bin";
    }
    void theRule()
    {
        QFETCH(bool, writable);
        QFETCH(bool, journalThere);
        QFETCH(QString, xdg);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString home = dir.filePath("home");
        QString executableDir = kReadOnlyFolder;
        if (expected == "/usr/bin") {
            executableDir = expected;
            expected = ".local/share/quillmere";
        } else if (writable || journalThere) {
            executableDir = dir.filePath("bin");
            QDir().mkpath(executableDir);
            if (journalThere)
                WriteBytes(executableDir + "/Journal.cds", "journal");
        }
        // A read-only folder with a journal: the seam stands in for the permissions.
        SetReadOnlyFolders(!writable);
        if (xdg.startsWith('/'))
            xdg = dir.path() + xdg;
        const DataFolderChoice choice = ChooseDataFolder(executableDir, xdg, home);
        SetReadOnlyFolders(false);
        if (expected == "portable") {
            QCOMPARE(choice.folder, executableDir);
            QVERIFY(!choice.isPrivate);
        } else {
            QCOMPARE(choice.folder, (xdg.startsWith('/') ? dir.path() : home) + "/" + expected);
            QVERIFY(choice.isPrivate);
        }
        QVERIFY(!QFileInfo::exists(home)); // the rule creates nothing
    }

    void thePrivateFolderIsTheUsersAlone()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("share/quillmere");
        QCOMPARE(MakePrivateFolder(folder), QString());
        QCOMPARE(ModeOf(folder), 0700u);
        QCOMPARE(MakePrivateFolder(folder), QString()); // already there
        WriteBytes(dir.filePath("file"), "x");
        QVERIFY(!MakePrivateFolder(dir.filePath("file/quillmere")).isEmpty());
    }

    // The installed program keeps its files in the XDG folder, each for the user alone.
    void anInstalledRunKeepsItsFilesInTheHomeFolder()
    {
        QTemporaryDir dir;
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        run.setProcessEnvironment(env);
        run.start(QCoreApplication::applicationFilePath(), {kInstalledRun});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 0);
        const QString folder = dir.filePath("data/quillmere");
        QCOMPARE(QString::fromLocal8Bit(run.readAllStandardOutput()).trimmed(), folder + "/");
        QCOMPARE(ModeOf(folder), 0700u);
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(files.contains("Journal.cds") && files.contains("FontSettings.Ini"), qPrintable(files.join(' ')));
        for (const QString& name : files)
            QCOMPARE(ModeOf(folder + "/" + name), 0600u);
        QCOMPARE(JournalTexts(folder + "/Journal.cds").value(QDate::currentDate()), QString("kept in the home folder"));
    }
};

int main(int argc, char** argv)
{
    quill::QuillmereApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc == 2 && qstrcmp(argv[1], kInstalledRun) == 0)
        return InstalledRun();
    TestDataFolder test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_datafolder.moc"
