#pragma once

#include "preview/drop/RBPreviewDropEditor.h"

#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>

// An editor that renders the snippets of the resources with the code editor's renderer and
// keeps the text and the caret.
class SnippetEditor : public RBPreviewDropEditor {
public:
    QString content() const override { return text; }
    void insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop) override;
    void setInsertionPoint(qsizetype offset) override { caret = offset; }

    QString text;
    qsizetype caret = -1;
    QStringList inserted; // the names inserted, in order
    QMap<QString, int> counters;
};

namespace droptest {
// A media file written with the media library: one video track of the given size, or only
// sound when the size is empty.
bool writeMovie(const QString& path, QSize videoSize);
// A PNG image of the given size.
bool writeImage(const QString& path, QSize size, Qt::GlobalColor colour = Qt::red);
} // namespace droptest
