#include "platform/SafeUnzip.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Builds an archive with Python's zipfile: each entry is "name", "name=content" or
// "name->target" (a symbolic link). `lieAbout` (an entry name) makes the archive claim that
// entry is 1,000 bytes whatever it holds.
QString makeZip(const QString& folder, const QStringList& entries, const QString& lieAbout = {})
{
    const QString path = folder + QStringLiteral("/test.zip");
    const char* script = R"PY(
import sys, zipfile, stat, struct
path, lie, entries = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
    for e in entries:
        if '->' in e:
            name, target = e.split('->', 1)
            info = zipfile.ZipInfo(name); info.create_system = 3
            info.external_attr = (stat.S_IFLNK | 0o777) << 16
            z.writestr(info, target)
        elif '=' in e:
            name, content = e.split('=', 1)
            z.writestr(name, content * (2000000 if name == lie else 1))
        else:
            z.writestr(e, '')
if lie:
    data = bytearray(open(path, 'rb').read())
    for sig, offset in ((b'PK\x03\x04', 22), (b'PK\x01\x02', 24)):
        at = data.find(sig)
        while at >= 0:
            data[at + offset:at + offset + 4] = struct.pack('<I', 1000)
            at = data.find(sig, at + 4)
    open(path, 'wb').write(bytes(data))
)PY";
    QStringList args{QStringLiteral("-c"), QString::fromUtf8(script), path, lieAbout};
    args += entries;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), args);
    python.waitForFinished();
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return path;
}

QStringList listTree(const QString& folder)
{
    QStringList names;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        names << info.fileName();
    return names;
}

TEST(SafeUnzip, EntryNamesThatCouldEscapeAreUnsafe)
{
    const struct {
        const char* name;
        bool unsafe;
    } cases[] = {
        {"Project.zelvor/app.coffee", false}, {"a/./b", false},      {"dir/", false},          {"..hidden", false},
        {"a..b/c", false},                    {"../evil", true},     {"a/../../evil", true},   {"a/..", true},
        {"/etc/passwd", true},                {"a\\..\\b", true},    {"C:/Windows/x", true},   {"", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isUnsafeEntryName(QString::fromUtf8(c.name)), c.unsafe) << c.name;
}

TEST(SafeUnzip, ListingIsParsedAndALineThatDoesNotParseRefusesTheArchive)
{
    const QString listing = QStringLiteral(
        "Archive:  t.zip\n"
        "Zip file size: 905 bytes, number of entries: 3\n"
        "drwxr-xr-x  3.0 unx        0 bx stor 20261210.091946 d/\n"
        "-rw-r--r--  3.0 unx       42 tx defN 20261210.091946 d/we[i]rd  name.txt\n"
        "lrwxrwxrwx  3.0 unx       11 bx stor 20261210.091946 d/link\n"
        "3 files, 53 bytes uncompressed, 50 bytes compressed:  0.0%\n");
    const auto entries = parseZipListing(listing);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 3);
    EXPECT_TRUE(entries->at(0).isDirectory);
    EXPECT_EQ(entries->at(1).name, QStringLiteral("d/we[i]rd  name.txt"));
    EXPECT_EQ(entries->at(1).size, 42);
    EXPECT_TRUE(entries->at(2).isSymlink);

    QString broken = listing;
    broken.replace(QStringLiteral("lrwxrwxrwx  3.0 unx       11"), QStringLiteral("garbage"));
    EXPECT_FALSE(parseZipListing(broken).has_value());
    EXPECT_FALSE(parseZipListing(QStringLiteral("not a listing")).has_value());
}

TEST(SafeUnzip, ListedArchivesOverTheLimitsOrWithUnsafeNamesAreRefused)
{
    const UnzipLimits limits{1000, 3};
    const struct {
        QList<ZipEntry> entries;
        UnzipError expected;
    } cases[] = {
        {{{QStringLiteral("a"), 400}, {QStringLiteral("b"), 600}}, UnzipError::None},
        {{{QStringLiteral("a"), 400}, {QStringLiteral("b"), 601}}, UnzipError::TooLarge},
        {{{QStringLiteral("a")}, {QStringLiteral("b")}, {QStringLiteral("c")}, {QStringLiteral("d")}}, UnzipError::TooManyEntries},
        {{{QStringLiteral("ok")}, {QStringLiteral("../x")}}, UnzipError::UnsafeEntry},
    };
    for (const auto& c : cases) {
        QString message;
        EXPECT_EQ(checkZipEntries(c.entries, limits, QStringLiteral("a.zip"), &message), c.expected);
        EXPECT_EQ(message.isEmpty(), c.expected == UnzipError::None) << message.toStdString();
    }
}

TEST(SafeUnzip, UnpacksAnOrdinaryArchiveWithLinksThatStayInside)
{
    QTemporaryDir dir;
    const QString zip = makeZip(dir.path(), {QStringLiteral("P.zelvor/"), QStringLiteral("P.zelvor/app.coffee=x = 1"),
                                             QStringLiteral("P.zelvor/sp ace é.txt=hi"),
                                             QStringLiteral("P.zelvor/link->app.coffee")});
    const QString out = dir.filePath(QStringLiteral("out"));
    const UnzipResult result = safeUnzip(zip, out);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_EQ(testsupport::readFile(out + QStringLiteral("/P.zelvor/app.coffee")), QStringLiteral("x = 1"));
    EXPECT_EQ(testsupport::readFile(out + QStringLiteral("/P.zelvor/sp ace é.txt")), QStringLiteral("hi"));
    EXPECT_TRUE(QFileInfo(out + QStringLiteral("/P.zelvor/link")).isSymLink());

    // The destination must be empty: unpacking never mixes with (or overwrites) other files.
    EXPECT_EQ(safeUnzip(zip, out).error, UnzipError::Failed);
}

TEST(SafeUnzip, HostileArchivesWriteNothingAndLeaveTheDestinationEmpty)
{
    const struct {
        QStringList entries;
        QString lieAbout;
        UnzipError expected;
    } cases[] = {
        {{QStringLiteral("ok=1"), QStringLiteral("../escaped=x")}, {}, UnzipError::UnsafeEntry},
        {{QStringLiteral("/tmp/absolute=x")}, {}, UnzipError::UnsafeEntry},
        {{QStringLiteral("a->../.."), QStringLiteral("a/escaped=x")}, {}, UnzipError::Failed},
        {{QStringLiteral("out->/etc")}, {}, UnzipError::UnsafeLink},
        {{QStringLiteral("d/"), QStringLiteral("d/loop->..")}, {}, UnzipError::UnsafeLink},
        {{QStringLiteral("dangling->nowhere")}, {}, UnzipError::UnsafeLink},
        {{QStringLiteral("small=0123456789"), QStringLiteral("bomb=0123456789")}, QStringLiteral("bomb"), UnzipError::TooLarge},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString zip = makeZip(dir.path(), c.entries, c.lieAbout);
        const QString out = dir.filePath(QStringLiteral("deep/out"));
        const UnzipResult result = safeUnzip(zip, out);
        EXPECT_EQ(result.error, c.expected) << c.entries.join(QLatin1Char(' ')).toStdString() << ": "
                                            << result.message.toStdString();
        EXPECT_FALSE(result.message.isEmpty());
        EXPECT_TRUE(listTree(out).isEmpty()) << listTree(out).join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(listTree(dir.filePath(QStringLiteral("deep"))), QStringList{QStringLiteral("out")});
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("escaped"))));
    }
}

TEST(SafeUnzip, AFileThatIsNotAZipSaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fake.zip"));
    ASSERT_TRUE(testsupport::writeFile(path, "<html>Not Found</html>"));
    const UnzipResult result = safeUnzip(path, dir.filePath(QStringLiteral("out")));
    EXPECT_EQ(result.error, UnzipError::NotAZip);
    EXPECT_TRUE(result.message.contains(QStringLiteral("fake.zip")));
    EXPECT_EQ(safeUnzip(dir.filePath(QStringLiteral("missing.zip")), dir.filePath(QStringLiteral("out"))).error,
              UnzipError::NotAZip);
}

} // namespace
