#pragma once

#include "analysis/matchers/NMInput.h"
#include "analysis/matchers/NMOutput.h"

#include <functional>
#include <memory>

// A test of one syntax-tree node that may record what it saw. Matchers are immutable values
// that share their test, so patterns combine and copy them freely.
//
// The combinators build patterns that step through the tree (all group to the right):
//   thenParent(a, b)           a matches the node, then b the parent of where a ended
//   climbUntil(a, b)           b at the node, else climb through a until b matches a parent
//   thenLastChildBefore(a, b)  a matches the node, then b its last child before the position
//   both(a, b), either(a, b)   conjunction and alternation on the same node
//   oneOrMore(m)               m, then again on each parent while it matches
//   keepingLast(m)             m with a private output; only where it ended reaches the caller
//   maybe(m)                   m, whose failure doesn't count
class NodeMatcher {
public:
    using Test = std::function<bool(const NMInput& input, NMOutput& output)>;

    explicit NodeMatcher(Test matches);

    bool matches(const NMInput& input, NMOutput& output) const { return (*m_matches)(input, output); }

private:
    std::shared_ptr<const Test> m_matches;
};

NodeMatcher thenParent(const NodeMatcher& a, const NodeMatcher& b);
NodeMatcher climbUntil(const NodeMatcher& a, const NodeMatcher& b);
NodeMatcher thenLastChildBefore(const NodeMatcher& a, const NodeMatcher& b);
NodeMatcher both(const NodeMatcher& a, const NodeMatcher& b);
NodeMatcher either(const NodeMatcher& a, const NodeMatcher& b);
NodeMatcher oneOrMore(const NodeMatcher& m);
NodeMatcher keepingLast(const NodeMatcher& m);
NodeMatcher maybe(const NodeMatcher& m);
