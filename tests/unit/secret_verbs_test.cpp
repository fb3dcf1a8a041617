// Where quillmar-cli's verbs take their secrets from, in-process against
// quillmar-sim on loopback (a network namespace of the test's own): the
// secrets file's lines, the refusals that come before anything is sent, the
// environment that only fills in, the keys a map has no column for, backups
// encrypted and restored with their passphrase, and a secret store that
// cannot be asked.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <chrono>
#include <deque>

#include "secrets_file.h"
#include "support/cli_runner.h"
#include "support/memory_secret_store.h"
#include "support/sim_fields.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;

// A secrets file of the user's own, mode 0600.
QString secretsFile(const test::TempDirectory& dir, const QByteArray& text, const QString& name = "s.secrets")
{
    QFile file(dir.file(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    EXPECT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    return file.fileName();
}

// Runs the verbs with a terminal that answers from `answers` (or says there
// is none) and a secret store of the test's.
struct Session {
    std::deque<QByteArray> answers;
    QStringList prompts;
    bool terminal = true;
    test::MemorySecretStore store;

    test::CliRun run(const QStringList& words)
    {
        return test::runVerbs(words, [this](cli::VerbContext& context) {
            context.readWait = 500ms;
            context.secretStore = &store;
            context.askSecret = [this](const QString& prompt, QString& error) -> std::optional<QByteArray> {
                prompts << prompt;
                if (!terminal || answers.empty()) {
                    error = QStringLiteral("no terminal to ask on");
                    return std::nullopt;
                }
                const QByteArray answer = answers.front();
                answers.pop_front();
                return answer;
            };
        });
    }
};

TEST(SecretsFile, NameValueLinesAnyCaseAndNoMessageRepeatsAValue)
{
    QString error;
    const auto values = cli::parseSecretsText("# for the shop\r\n\r\nWPAPSK=a=b c \r\npassPhrase=\nkey=k\n", error);
    ASSERT_TRUE(values) << error.toStdString();
    EXPECT_EQ(values->at(cli::SecretField::WpaPsk), QByteArray("a=b c "));
    EXPECT_EQ(values->at(cli::SecretField::Passphrase), QByteArray());
    EXPECT_EQ(values->at(cli::SecretField::Key), QByteArray("k"));
    EXPECT_EQ(values->count(cli::SecretField::Password), 0u);

    const struct {
        const char* text;
        const char* error;
    } refused[] = {
        {"wpaPsk=x\nhunter2\n", "line 2 is not name=value"},
        {"ssid=hunter2\n", "line 1: 'ssid' is not a secret this program takes"},
        {"key=hunter2\nKEY=hunter2\n", "line 2: key is given twice"},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(cli::parseSecretsText(c.text, error));
        EXPECT_TRUE(error.startsWith(QLatin1String(c.error))) << error.toStdString();
        EXPECT_FALSE(error.contains(QLatin1String("hunter2"))) << error.toStdString();
    }
}

// Each of these is refused before a datagram or a connection goes out.
TEST(SecretVerbs, ConflictsAndSecretsAVerbDoesNotTakeAreRefusedBeforeAnythingIsSent)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH,
                         {"--bind", "127.0.0.1", "--module", "address=127.0.0.1", "--session", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome home;
    test::TempDirectory dir;
    const QString keys = secretsFile(dir, "wpaPsk=from-file-1\npassphrase=pp\n");
    const QString broken = secretsFile(dir, "wpaPsk=ok\nnothing here\n", "broken.secrets");
    const struct {
        QStringList words;
        bool terminal;
        int status;
        const char* message;
    } cases[] = {
        {{"config", "set", "127.0.0.1", "wpaPsk=typed", "--secrets", keys},
         true,
         2,
         "wpaPsk is given twice: the command line and --secrets "},
        {{"config", "set", "127.0.0.1", "--secrets", keys, "--ask-secret", "wpaPsk"},
         true,
         2,
         "wpaPsk is given twice: --secrets "},
        {{"config", "set", "127.0.0.1", "--ask-secret", "password"},
         true,
         2,
         "--ask-secret takes key, wpaPsk, passphrase, not 'password'"},
        {{"config", "set", "127.0.0.1", "--secrets", broken}, true, 2, "--secrets "},
        {{"config", "set", "127.0.0.1", "--ask-secret", "key"},
         false,
         2,
         "--ask-secret key: no terminal to ask on; nothing is sent"},
        {{"config", "set", "127.0.0.1", "ssid=A", "--encrypt-backups"},
         false,
         2,
         "the backups are to be encrypted: no terminal to ask on"},
        {{"config", "set", "127.0.0.1", "ssid=A", "--encrypt-backups", "--no-backup"},
         true,
         2,
         "--encrypt-backups and --no-backup contradict each other"},
        {{"reboot", "127.0.0.1", "02:51:7f:00:00:01", "--password", "p1", "--password-from-keyring"},
         true,
         2,
         "password is given twice: --password and --password-from-keyring"},
        {{"config", "export", "127.0.0.1", dir.file("x.enc"), "--encrypt"},
         false,
         2,
         "--encrypt: no terminal to ask on"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.join(u' ').toStdString());
        Session session;
        session.terminal = c.terminal;
        const auto run = session.run(c.words);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_EQ(sim.requestCount(), 0u);
        EXPECT_TRUE(sim.lines("session-open").empty());
    }
    EXPECT_FALSE(QFile::exists(dir.file("x.enc")));

    // A store that cannot be asked is said, and nothing goes to the device.
    Session locked;
    locked.store.failure = QStringLiteral("no secret store is available in this session (no D-Bus)");
    const auto run = locked.run({"reboot", "127.0.0.1", "02:51:7f:00:00:01", "--password-from-keyring"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("quillmar-cli reboot: the desktop's secret store could not be asked: no secret "
                                      "store is available in this session (no D-Bus); nothing is sent\n"));
    EXPECT_TRUE(sim.lines("session-open").empty());
}

// QUILLMAR_WPAPSK fills in a key nothing else gives: not one of the command
// line, nor a file's; --secrets replaces a file's. A map with a wpaPsk column
// keeps its cells' say: --secrets giving the key too is refused before the
// search. (A map's rows without the column get the key in the Ansible lab
// test, whose one-row map takes the key from standard input.)
TEST(SecretVerbs, TheEnvironmentFillsInOnlyAndAMapsColumnHasTheLastWord)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome home;
    test::TempDirectory dir;
    Session session;
    const auto wpaPskLine = [](const QString& out) {
        for (const QString& line : out.split(u'\n')) {
            if (line.trimmed().startsWith(QLatin1String("wpaPsk: ")))
                return line.trimmed();
        }
        return QString();
    };
    const QString fromFile = secretsFile(dir, "wpaPsk=from-file-1\n");

    qputenv("QUILLMAR_WPAPSK", "from-environment");
    auto run = session.run({"config", "set", "127.0.0.1", "ssid=EnvNet", "--dry-run", "--show-secrets"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(wpaPskLine(run.out).endsWith(QLatin1String("-> from-environment"))) << run.out.toStdString();
    run = session.run({"config", "set", "127.0.0.1", "wpaPsk=typed-one", "--dry-run", "--show-secrets"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(wpaPskLine(run.out).endsWith(QLatin1String("-> typed-one"))) << run.out.toStdString();

    // An exported record sets its own key: the environment leaves it, --secrets replaces it.
    const auto exported = session.run({"config", "export", "127.0.0.1", dir.file("shop.bin")});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    run = session.run({"config", "apply", dir.file("shop.bin"), "127.0.0.1", "--dry-run", "--show-secrets"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(wpaPskLine(run.out), QString()) << "the file's own key, as the module has it";
    run = session.run(
        {"config", "apply", dir.file("shop.bin"), "127.0.0.1", "--secrets", fromFile, "--dry-run", "--show-secrets"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(wpaPskLine(run.out).endsWith(QLatin1String("-> from-file-1"))) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("(wpaPsk from --secrets "))) << run.err.toStdString();

    QFile withColumn(dir.file("column.csv"));
    ASSERT_TRUE(withColumn.open(QIODevice::WriteOnly));
    withColumn.write("macAddress,ssid,wpaPsk\r\n02-51-7F-00-00-01,MapNet,\r\n");
    withColumn.close();
    const std::size_t requests = sim.requestCount();
    run = session.run({"config", "apply", "--map", withColumn.fileName(), "--secrets", fromFile, "--dry-run"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("the map has a wpaPsk column, and --secrets ")))
        << run.err.toStdString();
    EXPECT_EQ(sim.requestCount(), requests);
    qunsetenv("QUILLMAR_WPAPSK");
}

// --encrypt-backups (or QUILLMAR_ENCRYPT_BACKUPS) keeps the record as it was
// as a .enc file, listed as encrypted; config restore opens it with the
// passphrase asked on the terminal, and not with a wrong one.
TEST(SecretVerbs, EncryptedBackupsAreListedAsSuchAndRestoredWithTheirPassphrase)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module",
                                             "address=127.0.0.1,ssid=OldNet,save=restart,restartAfter=0.4"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome home;
    Session session;
    session.answers = {"backup words", "backup words"};
    auto run = session.run({"config", "set", "127.0.0.1", "ssid=NewNet", "--encrypt-backups", "--tick-ms", "5"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(session.prompts, (QStringList{"New passphrase: ", "New passphrase (again): "}));
    const QStringList files = QDir(home.backups("02-51-7F-00-00-01")).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(u' ').toStdString();
    EXPECT_TRUE(files[0].endsWith(QLatin1String(".enc")));
    const QString backup = home.backups("02-51-7F-00-00-01") + u'/' + files[0];
    QFile sealed(backup);
    ASSERT_TRUE(sealed.open(QIODevice::ReadOnly));
    EXPECT_FALSE(sealed.readAll().contains("OldNet"));
    EXPECT_EQ(sealed.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
    EXPECT_EQ(home.auditEntries().value(0).value("backup").toString(), backup);

    run = session.run({"config", "backups", "--json"});
    const QJsonArray listed = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(listed.size(), 1) << run.out.toStdString();
    EXPECT_TRUE(listed[0].toObject().value("encrypted").toBool());
    EXPECT_FALSE(listed[0].toObject().contains("ssid"));
    run = session.run({"config", "backups"});
    EXPECT_TRUE(run.out.contains(QLatin1String("(encrypted)"))) << run.out.toStdString();

    for (int i = 0; i < 40 && session.run({"config", "show", "127.0.0.1"}).status != 0; ++i) {
    }
    session.answers = {"wrong words"};
    const std::size_t saves = sim.lines("stored").size();
    run = session.run({"config", "restore", "127.0.0.1", backup, "--tick-ms", "5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("the passphrase does not open it"))) << run.err.toStdString();
    EXPECT_EQ(sim.lines("stored").size(), saves);

    // The restore's own backup is encrypted too, by the setting, with the passphrase it was opened with.
    qputenv("QUILLMAR_ENCRYPT_BACKUPS", "1");
    session.prompts.clear();
    session.answers = {"backup words"};
    run = session.run({"config", "restore", "127.0.0.1", backup, "--tick-ms", "5"});
    qunsetenv("QUILLMAR_ENCRYPT_BACKUPS");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(session.prompts.size(), 1) << session.prompts.join(u'|').toStdString();
    EXPECT_EQ(test::storedRecordOf(sim).text(DeviceField::Ssid), "OldNet");
    EXPECT_EQ(QDir(home.backups("02-51-7F-00-00-01")).entryList({"*.enc"}, QDir::Files).size(), 2);
}

}  // namespace
}  // namespace quillmar
