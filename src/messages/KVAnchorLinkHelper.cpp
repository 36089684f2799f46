#include "messages/KVAnchorLinkHelper.h"

const QStringList& KVAnchorLinkHelper::zelvorTypes()
{
    static const QStringList types = {
        QStringLiteral("layer"),  QStringLiteral("backgroundLayer"), QStringLiteral("videoLayer"),
        QStringLiteral("scroll"), QStringLiteral("page"),            QStringLiteral("slider"),
        QStringLiteral("animation"), QStringLiteral("Canvas"),       QStringLiteral("Screen"),
        QStringLiteral("Events"), QStringLiteral("Utils"),           QStringLiteral("Device"),
        QStringLiteral("color"),  QStringLiteral("Color"),
    };
    return types;
}

const QStringList& KVAnchorLinkHelper::zelvorConstructors()
{
    static const QStringList constructors = {
        QStringLiteral("Color"),           QStringLiteral("Layer"),
        QStringLiteral("BackgroundLayer"), QStringLiteral("VideoLayer"),
        QStringLiteral("ScrollComponent"), QStringLiteral("PageComponent"),
        QStringLiteral("SliderComponent"), QStringLiteral("Animation"),
    };
    return constructors;
}

bool KVAnchorLinkHelper::isZelvorConstructor(const QString& name)
{
    return zelvorConstructors().contains(name);
}

QStringList KVAnchorLinkHelper::anchorComponents(const QString& key)
{
    return key.split(u'.');
}

QString KVAnchorLinkHelper::typeShort(const QStringList& components)
{
    if (components.isEmpty())
        return {};
    const QString& first = components.first();
    for (qsizetype i = 1; i < first.size(); ++i) {
        const QChar c = first.at(i);
        if (c >= u'A' && c <= u'Z')
            return first.left(i);
    }
    return first;
}

bool KVAnchorLinkHelper::isZelvorSource(const QString& key)
{
    if (isZelvorConstructor(key))
        return true;
    return zelvorTypes().contains(typeShort(anchorComponents(key)));
}

QString KVAnchorLinkHelper::anchorForKey(const QString& key)
{
    if (isZelvorConstructor(key)) {
        // The two layer kinds are documented under their whole name, not under "background" or
        // "video".
        QString name = key;
        if (name == u"BackgroundLayer" || name == u"VideoLayer")
            name = name.toLower();
        return typeShort({name}).toLower() + u'.' + name.toLower();
    }
    if (key == u"color.r" || key == u"color.g" || key == u"color.b" || key == u"color.a")
        return QStringLiteral("color.color");
    QStringList components = anchorComponents(key);
    const QString shortName = typeShort(components);
    if (!zelvorTypes().contains(shortName))
        return {};
    components[0] = shortName.toLower();
    return components.join(u'.');
}
