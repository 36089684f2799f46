#pragma once

#include <QString>

// The look of the completion popup. Colours are six hexadecimal digits.
struct KVAutoCompleteAppearance {
    int maximumVisibleResults = 8;
    QString windowColor = QStringLiteral("151619");
    QString backgroundActiveColor = QStringLiteral("232324"); // the selected row
    QString autoCompleteWordColor = QStringLiteral("777777");
    QString autoCompleteWordActiveColor = QStringLiteral("CCCCCC");
    QString autoCompleteTypeNormalColor = QStringLiteral("666666");
    QString borderColor = QStringLiteral("272729");
    bool typeColorHasHighlight = true; // the selected row's bar in the type's colour
    bool typeActiveHasColor = true;    // the selected row's type text in the type's colour
    double borderWidth = 1;
    double borderRadius = 3;
    bool typeOnLeft = false;
    bool showTypeIcon = false;
    bool typeIconOnLeft = false;
};
