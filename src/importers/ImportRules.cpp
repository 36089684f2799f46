#include "importers/ImportRules.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace importers {

const QVector<ScaleChoice>& scaleChoices()
{
    static const QVector<ScaleChoice> choices{
        {QStringLiteral("@1x"), 1}, {QStringLiteral("@1.5x"), 1.5}, {QStringLiteral("@2x"), 2},
        {QStringLiteral("@3x"), 3}, {QStringLiteral("@4x"), 4}};
    return choices;
}

int scaleChoiceIndex(double scale)
{
    const auto& choices = scaleChoices();
    for (int i = 0; i < choices.size(); ++i)
        if (choices[i].value == scale)
            return i;
    return -1;
}

QString scaleText(double scale)
{
    return QString::number(scale, 'g', 12);
}

namespace {
qint64 leadingNumber(const QString& part)
{
    qint64 value = 0;
    for (QChar c : part) {
        if (!c.isDigit())
            break;
        value = std::min<qint64>(value * 10 + c.digitValue(), 1'000'000'000'000LL);
    }
    return value;
}
} // namespace

int compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.trimmed().split(QLatin1Char('.'));
    const QStringList right = b.trimmed().split(QLatin1Char('.'));
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 l = i < left.size() ? leadingNumber(left[i]) : 0;
        const qint64 r = i < right.size() ? leadingNumber(right[i]) : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

bool hasMinimumVersion(const QString& version, const QString& minimum)
{
    return version.trimmed().isEmpty() || compareVersions(version, minimum) >= 0;
}

QString importBaseName(const QString& documentName)
{
    QString base = QFileInfo(documentName).completeBaseName();
    if (base.isEmpty())
        base = QFileInfo(documentName).fileName();
    for (QChar& c : base)
        if (c.category() == QChar::Other_Control || c == QLatin1Char('/') || c == QLatin1Char('\\')
            || c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('#') || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char('_');
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    return base.isEmpty() ? QStringLiteral("Untitled") : base;
}

QString importFolderName(const QString& documentName, double scale)
{
    return importBaseName(documentName) + QStringLiteral("@%1x").arg(scaleText(scale));
}

PaneRow paneRow(const PaneState& state, const PaneTexts& texts)
{
    PaneRow row;
    row.title = texts.appName;
    row.scaleVisible = state.supportsScale;
    row.iconImageName = texts.iconImageNameInactive;
    if (!state.appIsRunning) {
        row.subtitle = texts.notRunningText;
        return row;
    }
    row.textAlpha = 1;
    if (!state.appHasRightVersion) {
        row.subtitle = QStringLiteral("Minimum required version is %1").arg(texts.minimumVersion);
        return row;
    }
    row.iconImageName = texts.iconImageName;
    if (state.appHasSavedDocument) {
        row.runEnabled = true;
        row.scaleEnabled = true;
        row.subtitle = texts.documentName;
    } else {
        row.subtitle = texts.noDocumentText.isEmpty() ? QStringLiteral("Open a saved document") : texts.noDocumentText;
    }
    return row;
}

int paneOriginY(int index)
{
    return kPaneSpacing * index + 2;
}

QSize sheetSize(int paneCount, bool correct)
{
    return QSize(kSheetWidth, kPaneSpacing * paneCount + 70 + (correct ? 22 : 0));
}

int sheetY(int parentY, int parentHeight, int sheetHeight)
{
    return parentY + parentHeight - sheetHeight - 69;
}

QVariantMap ImportReport::userInfo() const
{
    return {{QStringLiteral("docName"), docName}, {QStringLiteral("docPath"), docPath},
            {QStringLiteral("outPath"), outPath}, {QStringLiteral("identifier"), identifier},
            {QStringLiteral("scale"), scale},     {QStringLiteral("info"), info}};
}

ImportReport ImportReport::fromUserInfo(const QVariantMap& userInfo)
{
    auto text = [&userInfo](const char* key) {
        const QVariant value = userInfo.value(QString::fromLatin1(key));
        return value.typeId() == QMetaType::QString ? value.toString() : QString();
    };
    ImportReport report;
    report.docName = text("docName");
    report.docPath = text("docPath");
    report.outPath = text("outPath");
    report.identifier = text("identifier");
    report.info = text("info");
    bool ok = false;
    const double scale = userInfo.value(QStringLiteral("scale")).toDouble(&ok);
    report.scale = ok && std::isfinite(scale) && scale > 0 ? scale : 1;
    return report;
}

QVariantMap importSnippetContext(const QString& docName, double scale, const QString& identifier)
{
    // Imports from the web service are neither Sketch nor PSD: they get a name of their own.
    const QString appName = identifier.contains(QLatin1String("sketch"))  ? QStringLiteral("Sketch")
                            : identifier.contains(QLatin1String("figma")) ? QStringLiteral("Figma")
                                                                          : QStringLiteral("PSD");
    const QString text = scaleText(scale);
    return {{QStringLiteral("appName"), appName},
            {QStringLiteral("docName"), importBaseName(docName)},
            {QStringLiteral("variableName"), appName.toLower()},
            {QStringLiteral("scale"), text},
            {QStringLiteral("scaleComment"), scale == 1 ? QString() : QStringLiteral(" (sizes and positions are scaled 1:%1)").arg(text)}};
}

QString importVariableName(const QString& base, const QString& code)
{
    for (int n = 0;; ++n) {
        const QString name = n == 0 ? base : base + QString::number(n);
        // An assignment, not a comparison ("==") or a property ("a.name = ").
        const QRegularExpression assigned(QStringLiteral("(^|\\n)[ \\t]*%1[ \\t]*=(?!=)").arg(QRegularExpression::escape(name)));
        if (!assigned.match(code).hasMatch())
            return name;
    }
}

qsizetype importInsertionOffset(const QString& code)
{
    static const QRegularExpression loadLine(QStringLiteral("^[^ \\t#\\n][^\\n]*\\bImporter\\.load\\b[^\\n]*(\\n|$)"),
                                             QRegularExpression::MultilineOption);
    qsizetype offset = 0;
    for (auto it = loadLine.globalMatch(code); it.hasNext();)
        offset = it.next().capturedEnd();
    return offset;
}

} // namespace importers
