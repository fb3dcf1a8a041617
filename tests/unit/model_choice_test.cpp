#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <functional>
#include <vector>

#include "platform/program_launcher.h"
#include "record/program_flags.h"
#include "support/temp_directory.h"
#include "tools/model_choice.h"

using namespace quillmar;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(ModelChoice, ItemsSetTheFlagsOfTheirRow)
{
    ProgramFlags flags;
    applyModelChoice(2, flags);
    EXPECT_EQ(flags.usbToolFlag, 1);
    EXPECT_EQ(flags.printerFamily, 2);
    EXPECT_EQ(flags.lanPrinterFlag, 0);

    applyModelChoice(3, flags);
    EXPECT_EQ(flags.lanPrinterFlag, 1);
    EXPECT_EQ(flags.printerFamily, 3);
    // Item 1 leaves the LAN flag of an earlier pick alone.
    applyModelChoice(1, flags);
    EXPECT_EQ(flags.usbToolFlag, 0);
    EXPECT_EQ(flags.printerFamily, 1);
    EXPECT_EQ(flags.lanPrinterFlag, 1);

    applyModelChoice(0, flags);
    EXPECT_EQ(flags.usbToolFlag, 2);
    EXPECT_EQ(flags.printerFamily, 0);
}

TEST(ModelChoice, FileIsOneCharacterWithoutLineEnd)
{
    test::TempDirectory dir;
    const QString path = dir.file("modelno.dat");
    EXPECT_FALSE(readModelChoice(path));
    ASSERT_TRUE(writeModelChoice(path, "2"));
    EXPECT_EQ(readAll(path), QByteArray("2"));
    EXPECT_EQ(readModelChoice(path), '2');
    ASSERT_TRUE(writeModelChoice(path, "1"));
    EXPECT_EQ(readAll(path), QByteArray("1"));
}

TEST(ModelChoice, OnlyTheFirstCharacterIsReadAndEmptyIsLikeMissing)
{
    test::TempDirectory dir;
    const QString path = dir.file("modelno.dat");
    writeFile(path, "3\r\nrest");
    EXPECT_EQ(readModelChoice(path), '3');
    writeFile(path, "");
    EXPECT_FALSE(readModelChoice(path));
}

// The settings files live in the directory the program starts from, which may
// be read-only for the user while the file itself is theirs. Root writes
// anywhere, so under root the write runs in a child that has become nobody.
TEST(ModelChoice, ReadOnlyDirectoryStillTakesTheChoiceWhereTheFileMayBeWritten)
{
    constexpr uid_t kNobody = 65534;
    const bool root = geteuid() == 0;
    const uid_t writer = root ? kNobody : geteuid();
    struct Case {
        const char* what;
        uid_t owner;
        bool written;
    };
    for (const Case& c : {Case{"file of the writer", writer, true}, Case{"file of someone else", 0, false}}) {
        if (!root && c.owner == 0)
            continue;  // only root can hand the file to someone else
        SCOPED_TRACE(c.what);
        test::TempDirectory dir;
        const QString path = dir.file("modelno.dat");
        writeFile(path, "1");
        const QByteArray nativeDir = QFile::encodeName(dir.path());
        if (root) {
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), c.owner, c.owner), 0);
        }
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
        ASSERT_EQ(::chmod(nativeDir.constData(), 0555), 0);

        bool written = false;
        if (root) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
                    _exit(3);
                _exit(writeModelChoice(path, "2") ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            ASSERT_NE(WEXITSTATUS(status), 3) << "could not become nobody";
            written = WEXITSTATUS(status) == 0;
        } else {
            written = writeModelChoice(path, "2");
        }
        ::chmod(nativeDir.constData(), 0700);
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(readAll(path), c.written ? QByteArray("2") : QByteArray("1"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

// A FIFO would block the start for ever, a directory or device makes no sense
// as a choice: all read as missing, and the choice is not written into them.
TEST(ModelChoice, ANameThatIsNoRegularFileReadsAsMissingAndIsNotWritten)
{
    struct Case {
        const char* what;
        std::function<bool(const QString&)> make;
    };
    const std::vector<Case> cases{
        {"FIFO", [](const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0; }},
        {"directory", [](const QString& path) { return QDir().mkdir(path); }},
        {"link to a device", [](const QString& path) { return QFile::link("/dev/null", path); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDirectory dir;
        const QString path = dir.file("modelno.dat");
        ASSERT_TRUE(c.make(path));
        EXPECT_FALSE(readModelChoice(path));
        EXPECT_FALSE(writeModelChoice(path, "2"));
        EXPECT_FALSE(QFileInfo(path).isFile());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    }
}

TEST(ModelChoice, ALinkIsWrittenThroughAndKeepsTheFilesPermissions)
{
    test::TempDirectory dir;
    const QString real = dir.file("kept.dat");
    writeFile(real, "1");
    ::chmod(QFile::encodeName(real).constData(), 0640);
    ASSERT_TRUE(QFile::link(real, dir.file("modelno.dat")));
    ASSERT_TRUE(writeModelChoice(dir.file("modelno.dat"), "3"));
    EXPECT_TRUE(QFileInfo(dir.file("modelno.dat")).isSymLink());
    EXPECT_EQ(readAll(real), QByteArray("3"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(ModelChoice, MissingDirectoryCannotBeWritten)
{
    test::TempDirectory dir;
    EXPECT_FALSE(writeModelChoice(dir.file("gone/modelno.dat"), "2"));
}

TEST(ModelChoice, DigitsMapToItems)
{
    EXPECT_EQ(modelChoiceItemForDigit(QLatin1Char('0')), 0);
    EXPECT_EQ(modelChoiceItemForDigit(QLatin1Char('3')), 3);
    EXPECT_EQ(modelChoiceItemForDigit(QLatin1Char('4')), -1);
    EXPECT_EQ(modelChoiceItemForDigit(QLatin1Char('x')), -1);
}

TEST(ModelChoice, SiblingParametersFollowTheStartOptions)
{
    const QString dir = QStringLiteral("/opt/pos");
    ProgramFlags flags;
    auto none = siblingStart(0, flags, dir);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->program, QStringLiteral("/opt/pos/RXLanMgr.exe"));
    EXPECT_TRUE(none->arguments.isEmpty());

    flags.allowIpModeFlag = true;
    EXPECT_EQ(siblingStart(3, flags, dir)->arguments, QStringList({"-p"}));
    EXPECT_EQ(siblingStart(3, flags, dir)->program, QStringLiteral("/opt/pos/RX7KLMgr.exe"));
    flags.optionO = true;
    EXPECT_EQ(siblingStart(0, flags, dir)->arguments, QStringList({"-p", "-o"}));
    flags.allowIpModeFlag = false;
    EXPECT_EQ(siblingStart(0, flags, dir)->arguments, QStringList({"-o"}));

    EXPECT_FALSE(siblingStart(1, flags, dir));
    EXPECT_FALSE(siblingStart(2, flags, dir));
    EXPECT_FALSE(siblingStart(-1, flags, dir));
}

TEST(ProcessLauncher, StartsTheProgramInItsWorkingDirectoryWithItsParameters)
{
    int argc = 1;
    char name[] = "model_choice_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    test::TempDirectory dir;
    const QString program = dir.file("RXLanMgr.exe");
    writeFile(program, "#!/bin/sh\necho \"$(pwd) $*\" > started.txt\n");
    ::chmod(QFile::encodeName(program).constData(), 0755);

    ProcessLauncher launcher;
    ASSERT_TRUE(launcher.startDetached(program, {"-p", "-o"}, dir.path()));
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(dir.file("started.txt")) && waited.elapsed() < 5000)
        QThread::msleep(20);
    QThread::msleep(50);
    EXPECT_EQ(readAll(dir.file("started.txt")).trimmed(), (dir.path() + " -p -o").toLocal8Bit());

    EXPECT_FALSE(launcher.startDetached(dir.file("RX7KLMgr.exe"), {}, dir.path()));
}
