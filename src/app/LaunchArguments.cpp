#include "app/LaunchArguments.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

bool isZelvorLink(const QString& item)
{
    return item.startsWith(QLatin1String("zelvor://"), Qt::CaseInsensitive);
}

QStringList launchItems(const QStringList& arguments, const QString& workingDirectory)
{
    QStringList items;
    for (const QString& argument : arguments) {
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        QString item;
        if (isZelvorLink(argument)) {
            item = argument;
        } else if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(argument);
            if (!url.isLocalFile())
                continue;
            item = QDir::cleanPath(url.toLocalFile());
        } else if (static const QRegularExpression otherScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
                   otherScheme.match(argument).hasMatch()) {
            continue; // an address of another kind is nothing this application opens
        } else {
            item = QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(argument));
        }
        if (!items.contains(item))
            items << item;
    }
    return items;
}
