// quillmar-cli's command line in-process: the one parser path every verb goes
// through, the program's own help and the bytes of its arguments. It runs in a
// network namespace of its own, so that a verb which failed to refuse its
// arguments could reach nothing.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "verb_registry.h"

using namespace quillmar;
using quillmar::test::runVerbs;

TEST(CliCommandLine, EveryVerbAnswersHelpABadOptionAndAWrongArgumentCountAlike)
{
    for (const auto& verb : cli::makeVerbs()) {
        const QString name = verb->name();
        const QStringList words = name.split(u' ');
        const QString usage = QStringLiteral("Usage: ") + verb->usage() + u'\n';
        SCOPED_TRACE(name.toStdString());

        auto run = runVerbs(words + QStringList{"--help"});
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.out.startsWith(usage)) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("\n  3  no answer"))) << "exit statuses listed";
        EXPECT_TRUE(run.err.isEmpty());

        run = runVerbs(words + QStringList{"--no-such-option"});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, QStringLiteral("quillmar-cli %1: Unknown option 'no-such-option'.\n").arg(name) + usage
                               + QStringLiteral("(see quillmar-cli %1 --help)\n").arg(name));
        EXPECT_TRUE(run.out.isEmpty());

        // A verb with arguments is run without them (so is one whose arguments
        // may all be left out but that takes any number), one without is given
        // two (one more than an optional argument).
        const bool takesArguments = verb->leastArguments() > 0 || verb->usage().contains(QStringLiteral("..."));
        run = runVerbs(takesArguments ? words : words + QStringList{"extra", "extra"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(takesArguments ? QStringLiteral(" is missing\n")
                                                    : QStringLiteral("'extra' is one argument too many\n")))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(usage));
    }
}

TEST(CliCommandLine, ProgramHelpListsTheVerbsAndTheExitStatusesAndGroupsListTheirVerbs)
{
    auto run = runVerbs({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const auto& verb : cli::makeVerbs())
        EXPECT_TRUE(run.out.contains(QStringLiteral("\n  ") + verb->name() + u' ')) << verb->name().toStdString();
    for (const char* line : {"  0  success", "  1  the module or a file said no", "  2  usage error", "  3  no answer"})
        EXPECT_TRUE(run.out.contains(QLatin1String(line))) << line;
    EXPECT_EQ(runVerbs({}).status, 2);

    run = runVerbs({"config", "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("quillmar-cli config export ADDRESS FILE [--force]")));
    run = runVerbs({"config", "fetch"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("quillmar-cli: unknown verb 'config fetch'\n")));
    EXPECT_EQ(runVerbs({"config"}).status, 2);
    EXPECT_EQ(runVerbs({"frobnicate"}).status, 2);
}

// A mistyped verb or option is answered with the nearest one; words too far
// from any get no guess.
TEST(CliCommandLine, AMistypedVerbOrOptionSuggestsTheNearest)
{
    const struct {
        QStringList words;
        const char* start;  // of standard error
    } cases[] = {
        {{"discvoer"}, "quillmar-cli: unknown verb 'discvoer'; did you mean 'discover'? (see quillmar-cli --help)\n"},
        {{"upgarde"}, "quillmar-cli: unknown verb 'upgarde'; did you mean 'upgrade'?"},
        {{"config", "shwo"}, "quillmar-cli: unknown verb 'config shwo'; did you mean 'config show'?\n"},
        {{"discover", "--jsno"}, "quillmar-cli discover: Unknown option 'jsno'; did you mean '--json'?\n"},
        {{"frobnicate"}, "quillmar-cli: unknown verb 'frobnicate' (see quillmar-cli --help)\n"},
    };
    for (const auto& c : cases) {
        const auto run = runVerbs(c.words);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith(QLatin1String(c.start))) << run.err.toStdString();
    }
}

// --port takes COM1 to COM256 or a device path, and a refusal names both
// forms and where COMn points.
TEST(CliCommandLine, APortIsACOMNameOrADevicePath)
{
    for (const char* port : {"COM0", "COM257", "COM03", "ttyUSB0"}) {
        const auto run = runVerbs({"com", "read", "--port", port});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("quillmar-cli com read: --port takes COM1 to COM256 (COMn is the "
                                                      "device in QUILLMAR_COMn when that is set, else /dev/ttyS<n-1>) "
                                                      "or a device path such as /dev/ttyUSB0, not '%1'\n")
                                           .arg(QLatin1String(port))))
            << run.err.toStdString();
    }
    const auto run = runVerbs({"com", "read", "--port", "/nonexistent/ttyUSB7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("/nonexistent/ttyUSB7 cannot be opened"))) << run.err.toStdString();
}

TEST(CliCommandLine, ArgumentsKeepTheirBytesAndTerminalTextEscapesWhatIsNotPrintable)
{
    const QByteArray bytes("name\xFF\xC3\xA9\xED\xA0\x80\xC3", 11);  // 0xFF, é, an encoded surrogate, a cut sequence
    const QString argument = cli::fromSystemBytes(bytes);
    EXPECT_EQ(cli::toSystemBytes(argument), bytes);
    EXPECT_TRUE(argument.contains(QChar(0xE9)));
    EXPECT_EQ(cli::terminalText(argument), QStringLiteral("name\\xFF\\xC3\\xA9\\xED\\xA0\\x80\\xC3"));
    EXPECT_EQ(cli::terminalText(std::string_view("a\x1b[0m\x7f\\ b")), QStringLiteral("a\\x1B[0m\\x7F\\\\ b"));
}
