#pragma once

#include "model/JsonText.h"

#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

// What the analysis engine hands over for its reply to be written here rather than by
// JSON.stringify, which is the largest part of a big program's compile: the syntax tree as the
// tree writer's records, with the few values only the engine can write as JSON text.
//
// The records follow the text. A node is its shape number (>= 0), then for each child present
// kChildRecord - i (i its place among the shape's child names) followed by the child, then
// kEndRecord and its location as four numbers, or kNoLocationRecord and four numbers that say
// nothing. A list is kListRecord, its items and kListEndRecord; an item that is neither node
// nor list is kNullRecord.
struct TreeReplyParts {
    static constexpr int32_t kNullRecord = -1;
    static constexpr int32_t kListRecord = -2;
    static constexpr int32_t kListEndRecord = -3;
    static constexpr int32_t kEndRecord = -4;
    static constexpr int32_t kNoLocationRecord = -5;
    static constexpr int32_t kChildRecord = -16;
    // Which of its two values a node has.
    static constexpr uint8_t kHasData = 1;
    static constexpr uint8_t kHasTypeHash = 2;

    // The reply's members other than "ast", as one JSON object.
    QByteArrayView others;
    // The shapes as JSON: [[type, child name, ...], ...].
    QByteArrayView shapes;
    // The nodes' "data" and "typeHash" values as JSON: one list, for each node in the order of
    // the records the values it has, data first.
    QByteArrayView values;
    std::span<const int32_t> records;
    // For each node in the order of the records, which values it has (kHasData, kHasTypeHash).
    std::span<const uint8_t> has;

    // The values of the nodes from the end of the last piece up to (not including) node
    // `nodesCovered`, as a JSON list like `values`; their `has` is set once the piece is answered.
    struct ValuesPiece {
        QByteArray json;
        size_t nodesCovered = 0;
    };
    // When set, the values come in pieces instead (`values` is not read): each call answers the
    // next piece, waiting for it, or nothing when no more come. So the text can be written while
    // the engine is still writing the later values.
    std::function<std::optional<ValuesPiece>()> nextValues;
};

// The reply's JSON text (UTF-8), indexed as it is written: {"ast": <tree>, <others>}, each node
// written as {"type", "data", <children by name>, "children": [names], "location": "l:c-l:c",
// "typeHash"}, leaving out what it lacks: the text JSON.stringify makes of the reply that the
// parts come from. Null when the parts do not fit together (then that reply must be written
// whole).
std::shared_ptr<const JsonText> treeReplyText(const TreeReplyParts& parts);
