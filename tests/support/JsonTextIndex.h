#pragma once

#include "model/JsonText.h"

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// Whether two indexed texts find the same values at the same places: every member and item,
// however deep, is read through each text's own index and compared. A text whose writer indexed
// it is checked this way against the same text indexed by reading it.
inline bool sameIndex(const JsonText& a, JsonText::Span x, const JsonText& b, JsonText::Span y, const std::string& path = "$")
{
    if (x.begin != y.begin || x.end != y.end) {
        ADD_FAILURE() << path << ": [" << x.begin << ", " << x.end << ") against [" << y.begin << ", " << y.end << ")";
        return false;
    }
    std::vector<JsonText::Span> inA, inB;
    if (a.isObject(x)) {
        a.forEachMember(x, [&](const QString&, JsonText::Span v) { return inA.push_back(v), true; });
        b.forEachMember(y, [&](const QString&, JsonText::Span v) { return inB.push_back(v), true; });
    } else if (a.isArray(x)) {
        a.forEachItem(x, [&](JsonText::Span v) { inA.push_back(v); });
        b.forEachItem(y, [&](JsonText::Span v) { inB.push_back(v); });
    }
    if (inA.size() != inB.size()) {
        ADD_FAILURE() << path << ": " << inA.size() << " values against " << inB.size();
        return false;
    }
    for (size_t i = 0; i < inA.size(); ++i)
        if (!sameIndex(a, inA[i], b, inB[i], path + "/" + std::to_string(i)))
            return false;
    return true;
}

inline bool sameIndex(const JsonText& a, const JsonText& b)
{
    return sameIndex(a, a.root(), b, b.root());
}

} // namespace testsupport
