#pragma once

#include <QVariantMap>

class KVCodeLayoutManager;

// Decides how text that carries temporary attributes is drawn. The layout manager passes the
// marks at a character together with the character's own colour under "foreground" (a QColor,
// absent for plain text) and draws what the delegate answers: an answer with "foreground"
// replaces the colour, any other answer leaves it.
class KVCodeLayoutManagerDelegate {
public:
    virtual ~KVCodeLayoutManagerDelegate() = default;
    virtual QVariantMap shouldUseTemporaryAttributes(KVCodeLayoutManager* layoutManager,
                                                     const QVariantMap& attributes, bool forDrawingToScreen,
                                                     qsizetype characterIndex) = 0;
};
