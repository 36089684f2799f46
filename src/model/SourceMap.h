#pragma once

#include "model/Location.h"

#include <QJsonObject>

// Maps positions of the generated JavaScript back to the CoffeeScript they came from, through
// the source-map object the compiler returns with a compile:
//   {"lines": [ {"columns": [ {"sourceLine": n, "sourceColumn": n}, ... ]}, ... ]}
// indexed by JavaScript line and column from 0; entries that are not objects (null) are holes.
class SourceMap {
public:
    // The CoffeeScript position of JavaScript line `line` and column `column` (both from 1), as
    // a one-point range counted from 0. A line or column without a mapping borrows the nearest
    // earlier mapped one (positions outside the map are clamped to it); -1:-1--1:-1 when there
    // is none or the map has another shape.
    static LocationPtr jsToCoffeeLocation(const QJsonObject& sourceMap, qint64 line, qint64 column);

    // The same object made from a version 3 source map (its JSON text, one source): every
    // segment of its "mappings" becomes the entry of its JavaScript line and column. Lookups in
    // it answer as in the compiler's own object. Empty when the text is no such map.
    static QJsonObject fromV3(const QByteArray& v3Json);
};
