// libFuzzer target for the readers of compiler output and the line index. The first byte picks
// the reader; the rest is its input. Besides crashes and out-of-range reads (caught by the
// sanitizers) it checks the promises the readers make: parsed ranges print back, an edited line
// index equals a fresh one.

#include "model/AST.h"
#include "model/CodeLines.h"
#include "model/JsonText.h"
#include "model/Location.h"
#include "model/SourceMap.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

void fuzzLocation(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    Location location;
    if (location.fromString(text)) {
        // A parsed range prints in brackets, and the printed text reads back as the same range
        // (leading zeros and the like are not kept, so the text itself may differ).
        const QString printed = location.toString();
        check(printed.startsWith(QLatin1Char('[')) && printed.endsWith(QLatin1Char(']')), "location printed in brackets");
        Location again;
        check(again.fromString(printed.mid(1, printed.size() - 2)) && again.toString() == printed, "location round trip");
    } else {
        check(location.toString() == QStringLiteral("[0:0-0:0]"), "unparsed location unchanged");
    }
    Location other(QStringLiteral("1:2-3:4"));
    (void)location.contains(other);
    (void)other.contains(location);
    (void)(location < other);
    (void)location.toString(false);
}

void walk(const ASTNodePtr& root, const Location& probe)
{
    QList<ASTNodePtr> pending{root};
    int budget = 20000;
    while (!pending.isEmpty() && budget-- > 0) {
        const ASTNodePtr node = pending.takeLast();
        (void)node->label();
        (void)node->getLastASTBefore(probe);
        (void)node->getAstAt(*node->location());
        check(!node->getChild(node->count()) && !node->getChild(-1), "child index outside the node");
        for (qsizetype i = 0; i < node->count(); ++i) {
            const ASTNodePtr child = node->getChild(i);
            check(child && child->parent() == node, "parent link");
            pending.append(child);
        }
    }
}

void fuzzTree(const QByteArray& bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const QJsonValue json = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    // The raw bytes as a compile's reply is read: checked and indexed, then read in pieces.
    const auto text = JsonText::make(bytes);
    check(text || document.isNull(), "a text Qt reads was refused");
    if (text) {
        if (!document.isNull())
            check(text->value(text->root()) == json, "the indexed text reads as Qt reads it");
        auto fromText = AST::create(JsonText::Ref{text, text->root()});
        fromText->readWhole();
        walk(fromText, Location(QStringLiteral("2:3-2:3")));
    }
    auto root = AST::create(json);
    Location probe(QStringLiteral("2:3-2:3"));
    check(root->getAstAt(probe) != nullptr, "the root always answers");
    walk(root, probe);
    (void)root->getNodesWithTypeHash(QStringLiteral("h"));
    // A node kept after its tree is gone has no parent.
    ASTNodePtr kept = root->getAstAt(probe);
    root.reset();
    if (kept)
        (void)kept->parent();
}

void fuzzSourceMap(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return;
    const qint64 line = qint8(bytes[0]);
    const qint64 column = qint8(bytes[1]);
    const QJsonObject map = QJsonDocument::fromJson(bytes.mid(2)).object();
    const LocationPtr location = SourceMap::jsToCoffeeLocation(map, line, column);
    check(location->firstLine() == location->lastLine() && location->firstColumn() == location->lastColumn(),
          "one-point range");
    check(location->firstLine() >= -1 && location->firstColumn() >= -1, "no negative positions but -1");
}

// Edits drawn from the bytes: position, removed count, then up to three pieces to insert.
void fuzzLineIndex(const QByteArray& bytes)
{
    static const QString pieces[] = {"a", "\n", "\r", "\r\n", QStringLiteral("\u2028"), QStringLiteral("\u0085"),
                                     "\f", "#", " ", "12", QStringLiteral("\U0001F600"), "foo"};
    CodeLines lines(QString(""));
    QString text;
    for (qsizetype i = 0; i + 2 < bytes.size(); i += 3) {
        const qsizetype at = text.isEmpty() ? 0 : quint8(bytes[i]) % (text.size() + 1);
        const qsizetype removed = std::min<qsizetype>(quint8(bytes[i + 1]) % 5, text.size() - at);
        QString inserted;
        const quint8 code = quint8(bytes[i + 2]);
        for (int k = 0; k < code % 4; ++k)
            inserted += pieces[(code / 4 + k * 5) % std::size(pieces)];
        text.replace(at, removed, inserted);
        lines.updateFrom(text, platform::TextRange{at, inserted.size()}, inserted.size() - removed);
    }
    CodeLines fresh(text);
    check(lines.lines() == fresh.lines(), "lines equal a fresh index");
    check(lines.lineStarts() == fresh.lineStarts(), "starts equal a fresh index");
    check(lines.words() == fresh.words(), "words equal a fresh index");
    for (qint64 offset = -1; offset <= text.size() + 1; ++offset)
        (void)lines.locationForCharacterLocation(offset);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0: fuzzLocation(bytes); break;
    case 1: fuzzTree(bytes); break;
    case 2: fuzzSourceMap(bytes); break;
    default: fuzzLineIndex(bytes); break;
    }
    return 0;
}
