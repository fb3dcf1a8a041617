// The audit log and the record changes it keeps: keys never in clear nor as a
// mask anyone can reverse, whole lines whoever appends (and after an append
// cut short), damaged lines named and passed over; files sealed with a
// passphrase.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>

#include "history/audit_log.h"
#include "history/mask_key.h"
#include "history/sealed_file.h"
#include "history/write_journal.h"
#include "support/file_size_limit.h"
#include "support/sample_devices.h"
#include "support/state_home.h"

using namespace quillmar;

TEST(RecordChanges, OnlyChangedFieldsAndKeysOnlyAsAHashPrefix)
{
    test::ScopedStateHome home;
    DeviceEntry before = test::kitchenPrinter("192.0.2.20");
    DeviceEntry after = before;
    after.setText(DeviceField::Ssid, "ShopB");
    after.setText(DeviceField::WpaPsk, "lab-passphrase-1");
    before.setText(DeviceField::WpaPsk, "");
    const std::vector<ChangedField> changes = recordChanges(before, after);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].field, DeviceField::Ssid);
    EXPECT_EQ(changes[0].to, QStringLiteral("ShopB"));
    EXPECT_EQ(changes[1].field, DeviceField::WpaPsk);
    EXPECT_EQ(changes[1].from, QString());  // no key stays no key
    // Keyed: not printf 'lab-passphrase-1' | sha256sum, which anyone can try keys against.
    EXPECT_TRUE(changes[1].to.startsWith(QLatin1String("hmac:"))) << changes[1].to.toStdString();
    EXPECT_NE(changes[1].to, QStringLiteral("sha256:216f807db480"));
    EXPECT_EQ(recordChanges(before, after, true)[1].to, QStringLiteral("lab-passphrase-1"));
}

// The mask key is made once, 32 bytes of mode 0600 beside the audit log; one
// key gives one mask on this PC, another user's key (another state directory)
// another mask, and no mask is the bare key's SHA-256 prefix.
TEST(MaskKey, IsMadeOncePrivateAndKeysEveryMask)
{
    const QByteArray key = "WEP40";
    const QString bare = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(12));
    QString first;
    {
        test::ScopedStateHome home;
        first = maskedKey("WEP40");
        EXPECT_EQ(maskedKey("WEP40"), first);
        EXPECT_NE(maskedKey("WEP41"), first);
        EXPECT_FALSE(first.contains(bare));
        EXPECT_TRUE(isKeyMask(first));
        struct stat info {};
        const QByteArray path = QFile::encodeName(home.path() + QStringLiteral("/quillmar/mask.key"));
        ASSERT_EQ(::stat(path.constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(info.st_size, kMaskKeySize);
        // The mask is the HMAC under the file's own bytes.
        QFile file(QFile::decodeName(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(keyedMask(file.readAll(), key), first);
    }
    test::ScopedStateHome other;
    EXPECT_NE(maskedKey("WEP40"), first);
}

TEST(MaskKey, WithoutAKeyEveryKeyIsTheSameMaskAndMapsTakeEachMaskAsOne)
{
    test::ScopedStateHome home;
    // A file that is not a mask key (another size) is never taken as one, nor replaced.
    QDir().mkpath(home.path() + QStringLiteral("/quillmar"));
    QFile wrong(home.path() + QStringLiteral("/quillmar/mask.key"));
    ASSERT_TRUE(wrong.open(QIODevice::WriteOnly));
    wrong.write("short");
    wrong.close();
    EXPECT_EQ(maskedKey("WEP40"), QStringLiteral("********"));
    EXPECT_EQ(maskedKey(""), QString());
    EXPECT_EQ(wrong.size(), 5);

    const struct {
        const char* cell;
        bool mask;
    } cells[] = {{"hmac:0123456789ab", true}, {"sha256:216f807db480", true},
                 {"********", true},          {"hmac:0123456789AB", false},
                 {"hmac:0123456789a", false}, {"sha256:216f807db4801", false},
                 {"lab-passphrase-1", false}, {"", false}};
    for (const auto& c : cells)
        EXPECT_EQ(isKeyMask(QString::fromLatin1(c.cell)), c.mask) << c.cell;
}

// A sealed record opens with its passphrase only, holds none of its bytes in
// clear, and any change to it (header included) is found; a header that asks
// for more work than a reader gives, or of another version, is refused before
// anything is derived.
TEST(SealedFile, OpensWithItsPassphraseOnlyAndFindsEveryChange)
{
    DeviceEntry record = test::kitchenPrinter("192.0.2.20");
    record.setText(DeviceField::WpaPsk, "wpa-key-of-the-shop");
    const QByteArray plain(record.data(), qsizetype(record.size()));
    QString error;
    const std::unique_ptr<FileSealer> sealer = FileSealer::make("correct horse", error);
    ASSERT_TRUE(sealer) << error.toStdString();
    const QByteArray sealed = sealer->seal(plain);
    EXPECT_EQ(sealed.size(), kSealedRecordFileSize);
    EXPECT_TRUE(looksSealed(sealed));
    EXPECT_FALSE(sealed.contains("wpa-key-of-the-shop"));
    EXPECT_FALSE(sealed.contains(QByteArray::fromStdString(record.text(DeviceField::MacAddress))));
    EXPECT_NE(sealer->seal(plain), sealed) << "each file has a nonce of its own";

    OpenedFile opened = openSealed(sealed, "correct horse");
    ASSERT_EQ(opened.outcome, OpenedFile::Outcome::Opened) << opened.message.toStdString();
    EXPECT_EQ(opened.contents, plain);
    EXPECT_EQ(openSealed(sealed, "correct horsE").outcome, OpenedFile::Outcome::WrongPassphrase);
    EXPECT_EQ(openSealed(sealed, "").outcome, OpenedFile::Outcome::WrongPassphrase);
    EXPECT_EQ(openSealed(plain, "correct horse").outcome, OpenedFile::Outcome::NotSealed);

    const auto changed = [&sealed](int at, char byte) {
        QByteArray copy = sealed;
        copy[at] = byte;
        return openSealed(copy, "correct horse").outcome;
    };
    using Outcome = OpenedFile::Outcome;
    EXPECT_EQ(changed(20, char(sealed[20] ^ 1)), Outcome::WrongPassphrase);  // the salt
    EXPECT_EQ(changed(40, char(sealed[40] ^ 1)), Outcome::WrongPassphrase);  // the nonce
    EXPECT_EQ(changed(100, char(sealed[100] ^ 1)), Outcome::WrongPassphrase);
    EXPECT_EQ(changed(sealed.size() - 1, char(sealed.back() ^ 1)), Outcome::WrongPassphrase);  // the tag
    EXPECT_EQ(changed(8, 2), Outcome::Unsupported);                                            // version
    EXPECT_EQ(changed(14, char(0x7F)), Outcome::Unsupported);  // about 2 TiB of memory asked
    EXPECT_EQ(changed(10, char(0x7F)), Outcome::Unsupported);  // billions of passes
    EXPECT_EQ(openSealed(sealed.left(60), "correct horse").outcome, Outcome::Unsupported);
    EXPECT_FALSE(FileSealer::make("", error));
}

TEST(AuditLog, AJournalBacksUpThenAppendsOnePrivateLineWithTheChanges)
{
    test::ScopedStateHome home;
    const DeviceEntry read = test::kitchenPrinter("192.0.2.20");
    DeviceEntry written = read;
    written.setText(DeviceField::Ssid, "Elsewhere");
    WriteJournal journal(QStringLiteral("config set"), QStringLiteral("192.0.2.20"));
    ASSERT_EQ(journal.backUp(read), std::nullopt);
    EXPECT_TRUE(QFile::exists(journal.backupPath()));
    journal.setWritten(written);
    ASSERT_EQ(journal.finish(QStringLiteral("confirmed")), std::nullopt);
    EXPECT_EQ(journal.finish(QStringLiteral("again")), std::nullopt);  // once only

    const QList<QJsonObject> entries = home.auditEntries();
    ASSERT_EQ(entries.size(), 1);
    const QJsonObject& entry = entries[0];
    EXPECT_EQ(entry.value("operation").toString(), QStringLiteral("config set"));
    EXPECT_EQ(entry.value("macAddress").toString(), QString::fromStdString(read.text(DeviceField::MacAddress)));
    EXPECT_EQ(entry.value("address").toString(), QStringLiteral("192.0.2.20"));
    EXPECT_EQ(entry.value("backup").toString(), journal.backupPath());
    EXPECT_EQ(entry.value("verdict").toString(), QStringLiteral("confirmed"));
    EXPECT_FALSE(entry.value("user").toString().isEmpty());
    EXPECT_TRUE(entry.value("time").toString().endsWith(u'Z'));
    const QJsonObject changes = entry.value("changes").toObject();
    ASSERT_EQ(changes.keys(), QStringList{QStringLiteral("ssid")});
    EXPECT_EQ(changes.value("ssid").toObject().value("to").toString(), QStringLiteral("Elsewhere"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(home.auditLog()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(AuditLog, TwoProgramsAppendingAtOnceLeaveOnlyWholeLinesAndADamagedLineIsNamed)
{
    test::ScopedStateHome home;
    constexpr int kLinesEach = 400;
    AuditEntry entry;
    entry.operation = QStringLiteral("config set");
    entry.verdict = QString(5000, u'x');  // longer than the 4096 bytes a pipe writes whole
    pid_t children[2] = {};
    for (pid_t& child : children) {
        child = ::fork();
        if (child == 0) {
            for (int i = 0; i < kLinesEach; ++i) {
                if (appendAudit(entry))
                    ::_exit(1);
            }
            ::_exit(0);
        }
        ASSERT_GT(child, 0);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QFile log(home.auditLog());
    ASSERT_TRUE(log.open(QIODevice::Append));
    log.write("{\"time\": \"cut sh");  // a line a crash cut short
    log.close();

    QString error;
    const auto lines = readAuditLog(QFile::encodeName(home.auditLog()), error);
    ASSERT_TRUE(lines) << error.toStdString();
    ASSERT_EQ(lines->size(), std::size_t(2 * kLinesEach + 1));
    for (std::size_t i = 0; i + 1 < lines->size(); ++i)
        ASSERT_TRUE((*lines)[i].damage.isEmpty()) << "line " << (*lines)[i].number;
    EXPECT_EQ(lines->back().number, 2 * kLinesEach + 1);
    EXPECT_FALSE(lines->back().damage.isEmpty());
}

TEST(AuditLog, AnAppendAfterOneCutShortStartsOnALineOfItsOwn)
{
    const auto entry = [](const char* operation) {
        AuditEntry made;
        made.operation = QString::fromLatin1(operation);
        made.verdict = QStringLiteral("confirmed");
        return made;
    };
    const struct {
        const char* cut;
        std::function<void(const QString& log)> cutShort;
    } cases[] = {
        {"a line left without its end",
         [](const QString& log) {
             QFile file(log);
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("{\"time\": \"cut sh");
         }},
        {"a write refused past the file-size limit, as on a full disk",
         [&](const QString& log) {
             const qint64 size = QFileInfo(log).size();
             {
                 const test::FileSizeLimit limit(rlim_t(size + 20));
                 const std::optional<QString> error = appendAudit(entry("cut short"));
                 ASSERT_TRUE(error);
                 EXPECT_TRUE(error->startsWith(QStringLiteral("cannot write ") + log)) << error->toStdString();
             }
             EXPECT_EQ(QFileInfo(log).size(), size + 20);  // the first 20 bytes of the line went in
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cut);
        [&] {
            test::ScopedStateHome home;
            ASSERT_FALSE(appendAudit(entry("before")));
            c.cutShort(home.auditLog());
            ASSERT_FALSE(appendAudit(entry("after")));

            QString error;
            const auto lines = readAuditLog(QFile::encodeName(home.auditLog()), error);
            ASSERT_TRUE(lines) << error.toStdString();
            ASSERT_EQ(lines->size(), 3u);
            EXPECT_EQ((*lines)[0].object.value("operation").toString(), QStringLiteral("before"));
            EXPECT_EQ((*lines)[1].number, 2);
            EXPECT_FALSE((*lines)[1].damage.isEmpty());
            EXPECT_TRUE((*lines)[2].damage.isEmpty()) << (*lines)[2].damage.toStdString();
            EXPECT_EQ((*lines)[2].object.value("operation").toString(), QStringLiteral("after"));
        }();
    }
}
