#include "editor/RichTextExport.h"

namespace richtext {

namespace {

QByteArray escapeRtf(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\n') {
            out += "\\par\n";
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // A signed 16-bit value followed by the replacement for readers without Unicode.
            out += "\\u" + QByteArray::number(qint16(u)) + "?";
        }
    }
    return out;
}

} // namespace

QByteArray rtfFromRuns(const QList<ColouredRun>& runs, const QString& fontFamily, double pointSize)
{
    QList<QRgb> table;
    for (const auto& run : runs) {
        if (run.colour.isValid() && !table.contains(run.colour.rgb()))
            table.append(run.colour.rgb());
    }
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern ";
    out += escapeRtf(fontFamily) + ";}}\n{\\colortbl;";
    for (const QRgb rgb : table)
        out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) + "\\blue"
            + QByteArray::number(qBlue(rgb)) + ";";
    out += "}\n\\f0\\fs" + QByteArray::number(qRound(pointSize * 2)) + " ";
    for (const auto& run : runs) {
        const int index = run.colour.isValid() ? int(table.indexOf(run.colour.rgb())) + 1 : 0;
        out += "\\cf" + QByteArray::number(index) + " " + escapeRtf(run.text);
    }
    out += "}";
    return out;
}

QString htmlFromRuns(const QList<ColouredRun>& runs, const QString& fontFamily, double pointSize)
{
    QString out = QStringLiteral("<pre style=\"font-family: '%1', monospace; font-size: %2pt;\">")
                      .arg(fontFamily.toHtmlEscaped())
                      .arg(pointSize);
    for (const auto& run : runs) {
        if (run.colour.isValid())
            out += QStringLiteral("<span style=\"color: %1\">%2</span>")
                       .arg(run.colour.name(), run.text.toHtmlEscaped());
        else
            out += run.text.toHtmlEscaped();
    }
    out += QStringLiteral("</pre>");
    return out;
}

} // namespace richtext
