#pragma once

#include <QString>
#include <QStringList>

// How a completion's description key ("layer.x", "Canvas.width", a constructor name such as
// "ScrollComponent") becomes an anchor of the documentation page ("layer.x", "canvas.width",
// "scroll.scrollcomponent"). The completion popup asks whether a key has documentation and which
// anchor it opens; the documentation page is written with the same anchors. Pure rules, no state.
class KVAnchorLinkHelper {
public:
    // The prototyping library's type names whose members are documented, as the short form of a
    // key's first component (see typeShort).
    static const QStringList& zelvorTypes();
    // The library's constructors that have a documentation entry of their own.
    static const QStringList& zelvorConstructors();

    static bool isZelvorConstructor(const QString& name);
    // Whether the key has a documentation anchor.
    static bool isZelvorSource(const QString& key);
    static QStringList anchorComponents(const QString& key);
    // The first component up to (not including) the first capital A-Z after its first
    // character: "ScrollComponent" gives "Scroll", "backgroundLayer" "background", "layer" "layer".
    static QString typeShort(const QStringList& components);
    // The anchor the key opens, or an empty string when it has none.
    static QString anchorForKey(const QString& key);
};
