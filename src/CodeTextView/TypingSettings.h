#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The settings that the typing and indentation rules read; the text view owns one.
struct TypingSettings {
    QString commentString = QStringLiteral("#");
    QString variableCharacters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_");
    bool indentWithSpaces = false;
    bool usesTabStops = false;
    int spacesPerTab = 0;
    bool indentNewLinesAutomatically = false;
    bool indentBracesAutomatically = false;
    // (opener, closer), tried in this order.
    QList<QPair<QString, QString>> autoClosingCharacters = {
        {QStringLiteral("{"), QStringLiteral("}")},   {QStringLiteral("("), QStringLiteral(")")},
        {QStringLiteral("["), QStringLiteral("]")},   {QStringLiteral("'"), QStringLiteral("'")},
        {QStringLiteral("\""), QStringLiteral("\"")},
    };
    bool autoCloseCharactersEnabled = true;
};
