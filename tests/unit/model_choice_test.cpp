#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <sys/stat.h>
#include <unistd.h>

#include "comm/core_application.h"
#include "platform/program_launcher.h"
#include "record/program_flags.h"
#include "support/as_nobody.h"
#include "support/file_contents.h"
#include "support/temp_directory.h"
#include "tools/model_choice.h"

using namespace quillmar;
using quillmar::test::contentOf;
using quillmar::test::writeFile;

namespace {

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
    EXPECT_EQ(contentOf(path), QByteArray("2"));
    EXPECT_EQ(readModelChoice(path), '2');
    ASSERT_TRUE(writeModelChoice(path, "1"));
    EXPECT_EQ(contentOf(path), QByteArray("1"));
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

namespace {

// Writes the choice as nobody in a child process when run as root (root writes
// anywhere, and the suite runs as root), as the caller otherwise.
bool writeAsAnOrdinaryUser(const QString& path)
{
    if (geteuid() != 0)
        return writeModelChoice(path, "2");
    return test::runAsNobody([&path] { return std::string(writeModelChoice(path, "2") ? "written" : ""); })
           == "written";
}

}  // namespace

// The working directory may be read-only while the file in it is the user's:
// the file is then rewritten in place. A file the user may not write stays.
TEST(ModelChoice, ReadOnlyDirectoryStillTakesTheChoiceWhereTheFileMayBeWritten)
{
    const bool root = geteuid() == 0;
    for (const bool fileIsTheirs : {true, false}) {
        if (!root && !fileIsTheirs)
            continue;  // only root can hand the file to someone else
        test::TempDirectory dir;
        const QString path = dir.file("modelno.dat");
        writeFile(path, "1");
        const uid_t owner = fileIsTheirs ? (root ? 65534 : geteuid()) : 0;
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), owner, static_cast<gid_t>(-1)), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
        EXPECT_EQ(writeAsAnOrdinaryUser(path), fileIsTheirs);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        EXPECT_EQ(contentOf(path), fileIsTheirs ? QByteArray("2") : QByteArray("1"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

// A FIFO would block the start for ever; a directory or a device is no choice
// either. Each reads as missing and is not written into or replaced.
TEST(ModelChoice, ANameThatIsNoRegularFileReadsAsMissingAndIsNotWritten)
{
    using Make = bool (*)(const QString&);
    for (const Make make : {+[](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0644) == 0; },
                            +[](const QString& p) { return QDir().mkdir(p); },
                            +[](const QString& p) { return QFile::link("/dev/null", p); }}) {
        test::TempDirectory dir;
        const QString path = dir.file("modelno.dat");
        ASSERT_TRUE(make(path));
        EXPECT_FALSE(readModelChoice(path));
        EXPECT_FALSE(writeModelChoice(path, "2"));
        EXPECT_FALSE(QFileInfo(path).isFile());
    }
}

TEST(ModelChoice, ALinkIsWrittenThroughAndTheFileKeepsItsPermissions)
{
    test::TempDirectory dir;
    writeFile(dir.file("kept.dat"), "1");
    ::chmod(QFile::encodeName(dir.file("kept.dat")).constData(), 0640);
    ASSERT_TRUE(QFile::link(dir.file("kept.dat"), dir.file("modelno.dat")));
    ASSERT_TRUE(writeModelChoice(dir.file("modelno.dat"), "3"));
    EXPECT_TRUE(QFileInfo(dir.file("modelno.dat")).isSymLink());
    EXPECT_EQ(contentOf(dir.file("kept.dat")), QByteArray("3"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("kept.dat")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
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
    ensureCoreApplication();
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
    EXPECT_EQ(contentOf(dir.file("started.txt")).trimmed(), (dir.path() + " -p -o").toLocal8Bit());

    EXPECT_FALSE(launcher.startDetached(dir.file("RX7KLMgr.exe"), {}, dir.path()));
}
