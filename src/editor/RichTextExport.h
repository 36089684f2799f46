#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

namespace richtext {

// One piece of text in one colour (invalid: the default colour).
struct ColouredRun {
    QString text;
    QColor colour;
};

// The runs as an RTF document in a monospaced face, each colour once in the colour table.
// Characters outside ASCII are written as Unicode escapes, so any text survives.
QByteArray rtfFromRuns(const QList<ColouredRun>& runs, const QString& fontFamily, double pointSize);

// The same runs as an HTML fragment for rich-text paste targets that do not read RTF.
QString htmlFromRuns(const QList<ColouredRun>& runs, const QString& fontFamily, double pointSize);

} // namespace richtext
