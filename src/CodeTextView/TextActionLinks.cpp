#include "CodeTextView/TextActionLinks.h"

namespace textactions {

namespace {
constexpr auto kOptions = QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;
} // namespace

const QRegularExpression& patternForType(int type)
{
    static const QRegularExpression module(
        QStringLiteral(R"re((require[ ]*[(]?[ ]*"(\w+)"[ ]*[)]?)|(require[ ]*[(]?[ ]*'(\w+)'[ ]*[)]?))re"), kOptions);
    // A file name directly inside "images" (no subfolder) with a picture, movie or sound extension.
    static const QString name =
        QStringLiteral(R"re([\w\- .]+(?:(?:.png)|(?:.gif)|(?:.tif)|(?:.jpg)|(?:.mov)|(?:.mp4)|(?:.m4a)))re");
    static const QRegularExpression media(QStringLiteral(R"re(("(images[\/](%1))")|('(images[\/](%1))'))re").arg(name),
                                          kOptions);
    static const QRegularExpression none;
    return type == ActionLink::Module ? module : type == ActionLink::Image ? media : none;
}

QList<MatchGroup> matchGroupsForType(int type)
{
    if (type == ActionLink::Module)
        return {{2, 2}, {4, 4}};
    if (type == ActionLink::Image)
        return {{2, 3}, {5, 6}};
    return {};
}

QList<FoundLink> findLinks(const QString& text, platform::TextRange range, int type)
{
    QList<FoundLink> found;
    const QRegularExpression& pattern = patternForType(type);
    const QList<MatchGroup> groups = matchGroupsForType(type);
    if (groups.isEmpty() || range.isNotFound())
        return found;
    const qsizetype from = qBound<qsizetype>(0, range.location, text.size());
    const qsizetype to = qBound<qsizetype>(from, range.location + range.length, text.size());
    const QStringView within = QStringView(text).mid(from, to - from);
    auto it = pattern.globalMatch(within);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        for (const MatchGroup& group : groups) {
            if (match.capturedStart(group.name) < 0 || match.capturedStart(group.link) < 0)
                continue;
            found.append({{from + match.capturedStart(group.link), match.capturedLength(group.link)},
                          ActionLink(match.captured(group.name), type)});
        }
    }
    return found;
}

} // namespace textactions
