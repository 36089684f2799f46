// The Figma pages' rules without a web view: which page is heard and which links open, how each
// message is read, and how the chunks of an archive are collected.
#include "importers/FIGChunkedZipFile.h"
#include "importers/FigmaBridgeRules.h"

#include <QFile>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

const QUrl kService("https://figma.example");

TEST(FigmaRules, OnlyPagesOfTheServiceAreHeardAndOnlyItsLinksOpen)
{
    struct Case {
        const char* url;
        bool page; // a page there reaches the bridge
        bool link; // a link there opens in the browser
    };
    const Case cases[] = {
        {"https://figma.example/integrations/zelvor/file_picker", true, true},
        {"https://FIGMA.example:443/x", true, true},
        {"https://figma.example:8443/x", false, true},
        {"http://figma.example/x", false, true},
        {"https://www.figma.example/help", false, true},
        {"https://evilfigma.example/x", false, false},
        {"https://figma.example.evil.test/x", false, false},
        {"file:///etc/passwd", false, false},
        {"javascript:alert(1)", false, false},
        {"ftp://figma.example/x", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(figma::isServicePage(QUrl(c.url), kService), c.page) << c.url;
        EXPECT_EQ(figma::isServiceLink(QUrl(c.url), kService), c.link) << c.url;
    }
    EXPECT_FALSE(figma::isServicePage(QUrl("https://figma.example/"), QUrl())) << "no service: no page is heard";
    // A loopback service with a port: the port is part of the origin.
    EXPECT_TRUE(figma::isServicePage(QUrl("http://127.0.0.1:4567/a"), QUrl("http://127.0.0.1:4567")));
    EXPECT_FALSE(figma::isServicePage(QUrl("http://127.0.0.1:4568/a"), QUrl("http://127.0.0.1:4567")));
}

TEST(FigmaRules, PageAddressesKeepTheFileKeyInItsSegment)
{
    EXPECT_EQ(figma::filePickerUrl(QUrl("http://127.0.0.1:4567"), "zelvor").toString(),
              "http://127.0.0.1:4567/integrations/zelvor/file_picker");
    EXPECT_EQ(figma::exportUrl(kService, "zelvor", "AbC123").toString(), "https://figma.example/integrations/zelvor/export/AbC123");
    const QUrl tricky = figma::exportUrl(kService, "zelvor", "../../x?y#z");
    EXPECT_EQ(tricky.host(), "figma.example");
    EXPECT_EQ(tricky.path(QUrl::FullyEncoded), "/integrations/zelvor/export/..%2F..%2Fx%3Fy%23z");
    EXPECT_TRUE(tricky.query().isEmpty() && tricky.fragment().isEmpty());
}

TEST(FigmaRules, MessagesAreReadOnlyWithTheirTypes)
{
    struct Case {
        const char* name;
        QVariant body;
        figma::MessageKind kind;
        const char* problem; // a part of it; "" for none
    };
    const QVariantMap chose{{"fileKey", "K1"}, {"fileName", "Landing"}};
    const Case cases[] = {
        {"willSendBase64EncodedZipFileChunks", QVariantMap{{"numChunks", 3.0}}, figma::MessageKind::WillSendChunks, ""},
        {"willSendBase64EncodedZipFileChunks", QVariantMap{{"numChunks", "3"}}, figma::MessageKind::WillSendChunks, "without a number"},
        {"willSendBase64EncodedZipFileChunks", QVariantMap{{"numChunks", 2.5}}, figma::MessageKind::WillSendChunks, "impossible number"},
        {"willSendBase64EncodedZipFileChunks", QVariantMap{{"numChunks", 1e300}}, figma::MessageKind::WillSendChunks, "impossible number"},
        {"willSendBase64EncodedZipFileChunks", QVariant(3.0), figma::MessageKind::WillSendChunks, "without an object"},
        {"handleBase64EncodedZipFileChunk", QVariantMap{{"base64EncodedData", "AAA="}}, figma::MessageKind::Chunk, ""},
        {"handleBase64EncodedZipFileChunk", QVariantMap{{"base64EncodedData", 12.0}}, figma::MessageKind::Chunk, "without the text"},
        {"handleBase64EncodedZipFileChunk", QVariant(QVariantList{"AAA="}), figma::MessageKind::Chunk, "without an object"},
        {"commitBase64EncodedZipFile", QVariant(), figma::MessageKind::Commit, ""},
        {"userChoseFile", chose, figma::MessageKind::UserChoseFile, ""},
        {"userChoseFile", QVariantMap{{"fileKey", "K1"}}, figma::MessageKind::UserChoseFile, "\"fileName\""},
        {"userChoseFile", QVariantMap{{"fileKey", " "}, {"fileName", "x"}}, figma::MessageKind::UserChoseFile, "without a key"},
        {"userChoseFile", QVariantMap{{"fileKey", QString(5000, 'k')}, {"fileName", "x"}}, figma::MessageKind::UserChoseFile, "longer than"},
        {"userChoseFile", QVariant("K1"), figma::MessageKind::UserChoseFile, "without an object"},
        {"openUrlInBrowser", QVariantMap{{"url", QVariantMap()}}, figma::MessageKind::OpenUrl, "\"url\""},
        {"figmaError", QVariantMap{{"reason", "network"}}, figma::MessageKind::Error, ""},
        {"figmaError", QVariantMap{{"reason", "network"}, {"debugMessage", true}}, figma::MessageKind::Error, "\"debugMessage\""},
        {"figmaLog", QVariantMap{{"message", "hi"}}, figma::MessageKind::Log, ""},
        {"closeApplication", QVariantMap(), figma::MessageKind::Unknown, ""},
        {"DOMContentLoaded", QVariant(), figma::MessageKind::Unknown, ""},
    };
    for (const Case& c : cases) {
        const figma::Message message = figma::parseMessage(c.name, c.body);
        EXPECT_EQ(message.kind, c.kind) << c.name;
        if (*c.problem)
            EXPECT_TRUE(message.problem.contains(c.problem)) << c.name << ": " << message.problem.toStdString();
        else
            EXPECT_TRUE(message.problem.isEmpty()) << c.name << ": " << message.problem.toStdString();
    }
    const figma::Message announced = figma::parseMessage("willSendBase64EncodedZipFileChunks", QVariantMap{{"numChunks", 1e9}});
    EXPECT_EQ(announced.numChunks, 1000000000) << "the collector judges the count's range";
    EXPECT_EQ(figma::parseMessage("userChoseFile", chose).fileName, "Landing");
}

TEST(FigmaRules, FailureReasons)
{
    EXPECT_EQ(figma::failureReasonFromText("internal"), figma::FailureReason::Internal);
    EXPECT_EQ(figma::failureReasonFromText("network"), figma::FailureReason::Network);
    EXPECT_EQ(figma::failureReasonFromText("timeout"), figma::FailureReason::Other);
    const auto timedOut = figma::loadFailure("ConnectionErrorDomain", -118);
    ASSERT_TRUE(timedOut);
    EXPECT_EQ(timedOut->reason, figma::FailureReason::Network);
    EXPECT_EQ(timedOut->debugMessage, "Error domain=(ConnectionErrorDomain) code=(-118)");
    EXPECT_EQ(figma::loadFailure("HttpErrorDomain", 404)->reason, figma::FailureReason::Internal);
    EXPECT_FALSE(figma::loadFailure("ConnectionErrorDomain", -3)) << "a stopped load is no failure";
    EXPECT_FALSE(figma::loadFailure("NoErrorDomain", 0));
}

// One transfer as a list of steps: "n" announces n chunks, "+text" sends a chunk, "!" commits.
struct TransferCase {
    const char* name;
    QStringList steps;
    QByteArray archive; // what the commit yields; empty: the transfer fails
    const char* error;  // a part of the first refusal; "" for none
};

TEST(FigmaChunkedZipFile, TransfersAreCollectedOnlyWhenWholeAndWithinTheLimits)
{
    FIGChunkedZipFile::Limits limits;
    limits.maxChunks = 100000;
    limits.maxChunkBytes = 8;
    limits.maxTotalBytes = 12;
    const TransferCase cases[] = {
        {"three chunks", {"3", "+YWJj", "+ZGVm", "+Z2g=", "!"}, "abcdefgh", ""},
        {"characters outside the alphabet are skipped", {"1", "+YW\nJj*", "!"}, "abc", ""},
        {"fewer chunks than announced", {"3", "+YWJj", "+ZGVm", "!"}, "", "after 2 of the 3"},
        {"more chunks than announced", {"1", "+YWJj", "+ZGVm", "!"}, "", "more chunks than the 1"},
        {"no chunks announced", {"0"}, "", "announced 0 chunks"},
        {"a billion chunks announced", {"1000000000"}, "", "announced 1000000000 chunks"},
        {"a negative count", {"-2"}, "", "announced -2 chunks"},
        {"a chunk before any announcement", {"+YWJj"}, "", "without announcing"},
        {"a commit before any announcement", {"!"}, "", "never announced"},
        {"a chunk too big", {"1", "+YWJjZGVmZ2hp", "!"}, "", "larger than"},
        {"a whole too big", {"2", "+YWJjZGVmZ2g=", "+YWJjZGVm", "!"}, "", "export is larger"},
        {"a new announcement starts over", {"2", "+YWJj", "1", "+ZGVm", "!"}, "def", ""},
    };
    QTemporaryDir folder;
    for (const TransferCase& c : cases) {
        FIGChunkedZipFile zip(folder.path(), limits);
        QString error;
        QString path;
        bool refused = false;
        for (const QString& step : c.steps) {
            bool ok = true;
            if (step == "!")
                ok = !(path = zip.commit(&error)).isEmpty();
            else if (step.startsWith('+'))
                ok = zip.appendChunk(step.mid(1), &error);
            else
                ok = zip.setExpectedChunks(step.toLongLong(), &error);
            if (!ok) {
                refused = true;
                break;
            }
        }
        if (c.archive.isEmpty()) {
            EXPECT_TRUE(refused) << c.name;
            EXPECT_TRUE(error.contains(c.error)) << c.name << ": " << error.toStdString();
            EXPECT_FALSE(zip.isTransferring()) << c.name << ": a refused transfer is discarded";
        } else {
            ASSERT_FALSE(refused) << c.name << ": " << error.toStdString();
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
            EXPECT_EQ(file.readAll(), c.archive) << c.name;
            file.remove();
        }
        // Nothing of a transfer stays behind in the temporary folder but a committed archive.
        EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::Files | QDir::Hidden)) << c.name;
    }
}

} // namespace
