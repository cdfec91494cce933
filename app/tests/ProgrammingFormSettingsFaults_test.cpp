// Window tests of a settings file that cannot be written or read as it should: a
// program folder the user may not write to, a disk that fills up during the save,
// and a "WinVESK.ini" that was cut short or holds binary rubbish. The program never
// crashes, starts with the defaults for what it could not read, and the previous
// file stays whole until a save that succeeds replaces it.
//
// The save runs when the window is destroyed. To fail it for real, the program's
// start and shutdown run in a child process (this test program started again)
// as the unprivileged user "nobody" or with a file size limit.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "WindowRun.h"

namespace {

const char* const ChildFolderVariable = "VESK_SETTINGS_CHILD";
const char* const UnchangedVariable = "VESK_SETTINGS_CHILD_UNCHANGED"; // the child changes nothing

// The settings a user had before: every value differs from its default.
const char* const PreviousSettings = "[DIRUD]\n"
                                     "ImageFileName=/home/user/blink.hex\n"
                                     "ComPort=/dev/ttyUSB7\n"
                                     "ComReadTimeout=250\n"
                                     "ProgramDelay=40\n"
                                     "VeskBaudRate=3\n"
                                     "PassThroughEnter=0\n"
                                     "PassThroughLines=0\n"
                                     "RecentFiles=2\n"
                                     "RecentFiles000=/home/user/blink.hex\n"
                                     "RecentFiles001=/home/user/old.hex\n"
                                     "TerminalBaudRate=57600\n"
                                     "VerifyAfterWrite=1\n";

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The child: the program's start-up and shutdown in `folder`. It reports what
// it loaded, changes settings so that the save has something new to write, and
// ends by destroying the window (which saves) and then the driver.
int RunChild(const QString& folder) {
    TRecordingDialogs dialogs;
    auto device = std::make_unique<vesk::TDeviceVESK1>();
    auto form = std::make_unique<TProgrammingForm>(*device, folder, &dialogs);
    QTextStream out(stdout);
    out << "ComPort=" << form->ComPort() << "\n";
    out << "VeskBaudRate=" << form->VeskBaudRate() << "\n";
    if (qEnvironmentVariableIsEmpty(UnchangedVariable)) {
        form->SetComPort(QStringLiteral("/dev/ttyChanged"));
        form->AddRecentFile(QStringLiteral("/home/user/changed.hex"));
    }
    // The user closes the window: a save that cannot be made is told then.
    form->close();
    for (const auto& shown : dialogs.Log)
        out << "told=" << shown.Message << "\n";
    out.flush();
    form.reset();
    device.reset();
    out << "saved\n";
    return 0;
}

enum TChildLimit { clNone, clNobody, clFileSize };

// Runs the child on `folder`; its standard output, or an empty string after a crash.
// `environment` is added to the child's; with `errors` its standard error is kept there.
QString RunProgram(const QString& folder, TChildLimit limit, int* exitCode = nullptr,
                   const QStringList& extra = {}, QString* errors = nullptr) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(ChildFolderVariable), folder);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString& entry : extra)
        environment.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(errors ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    child.setChildProcessModifier([limit] {
        if (limit == clNobody) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        } else if (limit == clFileSize) {
            // No file may grow beyond 64 bytes: the save's write fails part-way, as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small{64, 64};
            if (::setrlimit(RLIMIT_FSIZE, &small) != 0) ::_exit(91);
        }
    });
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return {};
    }
    if (exitCode) *exitCode = child.exitCode();
    if (errors) *errors = QString::fromUtf8(child.readAllStandardError());
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) return {};
    return QString::fromUtf8(child.readAllStandardOutput());
}

} // namespace

class ProgrammingFormSettingsFaultsTest : public QObject {
    Q_OBJECT
  private slots:
    void controlRunSavesTheChanges();
    void readOnlyFolderKeepsThePreviousFile();
    void readOnlyFileKeepsItself();
    void fullDiskKeepsThePreviousFile();
    void truncatedFileStartsWithWhatItHolds();
    void binaryFileStartsWithDefaults();
    void folderInTheFilesPlaceIsLeftAlone();
};

// The child's own run, unhindered: it loads the file and its save replaces it.
// This is what the failing saves below are measured against.
void ProgrammingFormSettingsFaultsTest::controlRunSavesTheChanges() {
    TWindowRun run;
    WriteText(run.IniPath(), QString::fromLatin1(PreviousSettings));
    const QString out = RunProgram(run.Dir.path(), clNone);
    QVERIFY2(out.contains(QStringLiteral("ComPort=/dev/ttyUSB7\n")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("VeskBaudRate=3\n")), qPrintable(out));
    QVERIFY2(out.endsWith(QStringLiteral("saved\n")), qPrintable(out));
    const QString saved = ReadText(run.IniPath());
    QVERIFY2(saved.contains(QStringLiteral("ComPort=/dev/ttyChanged\n")), qPrintable(saved));
    QVERIFY2(saved.contains(QStringLiteral("RecentFiles000=/home/user/changed.hex\n")), qPrintable(saved));
    QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
}

void ProgrammingFormSettingsFaultsTest::readOnlyFolderKeepsThePreviousFile() {
    TWindowRun run;
    WriteText(run.IniPath(), QString::fromLatin1(PreviousSettings));
    const QByteArray previous = ReadBytes(run.IniPath());
    // The folder and the file belong to someone else: the user may read but not
    // write. As the super-user the child becomes "nobody", whom this binds.
    QVERIFY(::chmod(QFile::encodeName(run.Dir.path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(run.IniPath()).constData(), 0644) == 0);
    const TChildLimit limit = ::geteuid() == 0 ? clNobody : clNone;
    if (limit == clNone) QVERIFY(::chmod(QFile::encodeName(run.Dir.path()).constData(), 0555) == 0);
    // The user's own folder, as an installed program has it.
    QTemporaryDir user;
    QVERIFY(::chmod(QFile::encodeName(user.path()).constData(), 0777) == 0);
    const QStringList userConfig{QStringLiteral("XDG_CONFIG_HOME=") + user.path()};
    int exitCode = -1;
    QString out = RunProgram(run.Dir.path(), limit, &exitCode, userConfig);
    // It loaded the file, ran and ended normally...
    QVERIFY2(out.contains(QStringLiteral("ComPort=/dev/ttyUSB7\n")), qPrintable(QString::number(exitCode)));
    QVERIFY2(out.endsWith(QStringLiteral("saved\n")), qPrintable(out));
    // ...saved to the user's own file, and left the one beside the program as it was.
    const QString own = user.filePath(QStringLiteral("vesk/WinVESK.ini"));
    QVERIFY2(ReadText(own).contains(QStringLiteral("ComPort=/dev/ttyChanged\n")), qPrintable(ReadText(own)));
    QVERIFY(ReadText(own).contains(QStringLiteral("RecentFiles001=/home/user/blink.hex\n")));
    QCOMPARE(ReadBytes(run.IniPath()), previous);
    QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
    // The next start reads the user's file.
    out = RunProgram(run.Dir.path(), limit, &exitCode, userConfig);
    QVERIFY2(out.contains(QStringLiteral("ComPort=/dev/ttyChanged\n")), qPrintable(out));

    // No user folder can be made either: told once on standard error, and at close
    // only when something was changed.
    const QStringList nowhere{QStringLiteral("XDG_CONFIG_HOME=") + run.IniPath()};
    for (const bool changed : {true, false}) {
        QString errors;
        QStringList extra = nowhere;
        if (!changed) extra << QLatin1String(UnchangedVariable) + QStringLiteral("=1");
        out = RunProgram(run.Dir.path(), limit, &exitCode, extra, &errors);
        QVERIFY2(out.endsWith(QStringLiteral("saved\n")), qPrintable(out + errors));
        QCOMPARE(errors.count(QStringLiteral("settings not saved to ")), 1);
        QCOMPARE(out.count(QStringLiteral("told=Settings not saved to ")), changed ? 1 : 0);
        QCOMPARE(ReadBytes(run.IniPath()), previous);
    }
    ::chmod(QFile::encodeName(run.Dir.path()).constData(), 0700);
}

// The user made the file read-only in a folder that may be written to: the save
// does not replace it.
void ProgrammingFormSettingsFaultsTest::readOnlyFileKeepsItself() {
    TWindowRun run;
    WriteText(run.IniPath(), QString::fromLatin1(PreviousSettings));
    const QByteArray previous = ReadBytes(run.IniPath());
    const QByteArray folder = QFile::encodeName(run.Dir.path());
    const QByteArray file = QFile::encodeName(run.IniPath());
    const bool root = ::geteuid() == 0;
    QVERIFY(::chmod(folder.constData(), root ? 0777 : 0700) == 0);
    if (root) QVERIFY(::chown(file.constData(), 65534, 65534) == 0); // the user's own file
    QVERIFY(::chmod(file.constData(), 0444) == 0);
    const QString out = RunProgram(run.Dir.path(), root ? clNobody : clNone);
    ::chmod(folder.constData(), 0700);
    QVERIFY2(out.contains(QStringLiteral("ComPort=/dev/ttyUSB7\n")), qPrintable(out));
    QVERIFY2(out.endsWith(QStringLiteral("saved\n")), qPrintable(out));
    QCOMPARE(ReadBytes(run.IniPath()), previous);
    QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
}

void ProgrammingFormSettingsFaultsTest::fullDiskKeepsThePreviousFile() {
    TWindowRun run;
    WriteText(run.IniPath(), QString::fromLatin1(PreviousSettings));
    const QByteArray previous = ReadBytes(run.IniPath());
    QVERIFY(previous.size() > 64); // the new file cannot be written whole either
    int exitCode = -1;
    const QString out = RunProgram(run.Dir.path(), clFileSize, &exitCode);
    QVERIFY2(out.contains(QStringLiteral("ComPort=/dev/ttyUSB7\n")), qPrintable(QString::number(exitCode)));
    QVERIFY2(out.endsWith(QStringLiteral("saved\n")), qPrintable(out));
    QCOMPARE(ReadBytes(run.IniPath()), previous);
    // No half-written temporary file is left behind.
    QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
}

void ProgrammingFormSettingsFaultsTest::truncatedFileStartsWithWhatItHolds() {
    const QByteArray whole(PreviousSettings);
    // Cut in the middle of an entry, of a name, of the recent files list, and
    // inside the section header.
    for (const char* cutAfter : {"ProgramDelay=4", "VeskBaud", "RecentFiles000=/home/us", "[DIR"}) {
        const QByteArray cut = whole.left(whole.indexOf(cutAfter) + qsizetype(strlen(cutAfter)));
        TWindowRun run;
        WriteBytes(run.IniPath(), cut);
        TProgrammingForm& form = run.Create();
        QVERIFY(run.Show());
        const bool header = cut.startsWith("[DIRUD]\n");
        // What the file held whole was read; the rest keeps its default.
        QCOMPARE(form.ComPort(), header ? QStringLiteral("/dev/ttyUSB7") : QStringLiteral("COM1"));
        QCOMPARE(form.ImageFileName(), header ? QStringLiteral("/home/user/blink.hex") : QString());
        if (cut.endsWith("ProgramDelay=4")) {
            QCOMPARE(form.ProgramDelay(), 4); // an entry ends where its line ends
            QCOMPARE(form.VeskBaudRate(), 1);
            QVERIFY(form.PassThroughEnter());
            QVERIFY(form.RecentFiles().isEmpty());
        }
        if (cut.endsWith("VeskBaud")) {
            QCOMPARE(form.ProgramDelay(), 40);
            QCOMPARE(form.VeskBaudRate(), 1);
        }
        if (cut.endsWith("/home/us")) {
            // The list's count names two lines; the one that is missing reads as such.
            QCOMPARE(form.RecentFiles().size(), 2);
            QCOMPARE(form.RecentFiles().front(), QStringLiteral("/home/us"));
            QCOMPARE(form.TerminalBaudRate(), 9600);
            QVERIFY(!form.VerifyAfterWrite());
        }
        // Nothing was written while the program ran.
        QCOMPARE(ReadBytes(run.IniPath()), cut);
        // The save at the end replaces it with a whole file that loads again.
        form.SetTerminalBaudRate(38400);
        run.Close();
        TProgrammingForm& again = run.Create();
        QCOMPARE(again.TerminalBaudRate(), 38400);
        QCOMPARE(again.ComPort(), header ? QStringLiteral("/dev/ttyUSB7") : QStringLiteral("COM1"));
        QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
    }
}

void ProgrammingFormSettingsFaultsTest::binaryFileStartsWithDefaults() {
    QRandomGenerator random(0x5EED);
    QList<QByteArray> files;
    // Random bytes of several sizes.
    for (int size : {1, 17, 4096, 200000}) {
        QByteArray bytes(size, '\0');
        for (char& b : bytes)
            b = char(random.bounded(256));
        files << bytes;
    }
    files << QByteArray(5000, '\0');                                                    // only NULs
    files << QByteArray("[DIRUD]\nComPort=") + QByteArray(3 * 1024 * 1024, 'A') + "\n"; // an over-long line
    files << QByteArray("[DIRUD]\n") + QByteArray(2 * 1024 * 1024, '[') + "\n"; // an over-long section
    files << QByteArray("[DIRUD]\nCom\0Port=x\nVeskBaudRate=\0"
                        "3\nRecentFiles=2147483647\n",
                        55);
    files << QByteArray("[DIRUD]\nRecentFiles=-5\nVeskBaudRate=99999999999999999999\nProgramDelay=\xff\xfe\n"
                        "TerminalBaudRate=-2147483648\nPassThroughLines=7\nPassThroughPolarity=-1\n");
    files << QByteArray("\xEF\xBB\xBF\xFF\xFE[DIRUD]\r\r\nComPort=\xC3\x28\xA0\xA1\r\n\x80\x81=\x82\n");
    int index = 0;
    for (const QByteArray& bytes : files) {
        const QString what = QStringLiteral("file %1").arg(index++);
        TWindowRun run;
        WriteBytes(run.IniPath(), bytes);
        TProgrammingForm& form = run.Create();
        QVERIFY2(run.Show(), qPrintable(what));
        // Nothing read means defaults; a value is never out of what its control can show.
        QVERIFY2(form.RecentFiles().size() <= 1100, qPrintable(what));
        QVERIFY2(form.ProgramDelay() >= 0 && form.ProgramDelay() <= 255, qPrintable(what));
        if (index <= 5) {
            QCOMPARE(form.ComPort(), QStringLiteral("COM1"));
            QCOMPARE(form.VeskBaudRate(), 1);
            QCOMPARE(form.TerminalBaudRate(), 9600);
            QVERIFY(form.RecentFiles().isEmpty());
        }
        // The file is left alone while the program runs.
        QCOMPARE(ReadBytes(run.IniPath()), bytes);
        // The save at the end gives a file that loads again with the same values.
        const QString port = form.ComPort();
        const int32_t rate = form.VeskBaudRate();
        run.Close();
        TProgrammingForm& again = run.Create();
        QCOMPARE(again.ComPort(), port);
        QCOMPARE(again.VeskBaudRate(), rate);
        QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
    }
}

// Something that is no file where the settings file belongs: nothing can be
// read or saved, the program starts with its defaults and leaves it as it is.
void ProgrammingFormSettingsFaultsTest::folderInTheFilesPlaceIsLeftAlone() {
    TWindowRun run;
    QVERIFY(QDir(run.Dir.path()).mkdir(QStringLiteral("WinVESK.ini")));
    WriteText(run.IniPath() + QStringLiteral("/keep.txt"), QStringLiteral("kept"));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    QCOMPARE(form.ComPort(), QStringLiteral("COM1"));
    QCOMPARE(form.VeskBaudRate(), 1);
    form.SetComPort(QStringLiteral("/dev/ttyChanged"));
    run.Close();
    QVERIFY(QFileInfo(run.IniPath()).isDir());
    QCOMPARE(ReadText(run.IniPath() + QStringLiteral("/keep.txt")), QStringLiteral("kept"));
    QCOMPARE(FolderEntries(run.Dir.path()), QStringList{QStringLiteral("WinVESK.ini")});
}

// The test program, or, started again with the folder in the environment, the
// program's start and shutdown in that folder.
int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QByteArray folder = qgetenv(ChildFolderVariable);
    if (!folder.isEmpty()) return RunChild(QString::fromLocal8Bit(folder));
    ProgrammingFormSettingsFaultsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "ProgrammingFormSettingsFaults_test.moc"
