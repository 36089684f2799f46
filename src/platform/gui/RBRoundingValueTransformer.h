#pragma once

#include <QString>
#include <QVariant>

// Turns a number into text for display: negative values become 0, then the value is rounded
// half-up to at most one fraction digit with the current locale's decimal separator
// (12.34 gives "12.3", 0.25 gives "0.3", 5 gives "5", -3 gives "0").
class RBRoundingValueTransformer {
public:
    static bool allowsReverseTransformation() { return false; }
    QString transformedValue(const QVariant& value) const;
};
