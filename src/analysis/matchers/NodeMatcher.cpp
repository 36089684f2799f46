#include "analysis/matchers/NodeMatcher.h"

#include "platform/Log.h"

namespace {

// The input for the parent of `node`, or nothing at the root.
std::optional<NMInput> parentInput(const ASTNodePtr& node)
{
    if (!node)
        return std::nullopt;
    ASTNodePtr parent = node->parent();
    if (!parent)
        return std::nullopt;
    return NMInput(parent, parent->location());
}

// The climbing steps go up from wherever their inner matcher ended; a matcher that ends below
// where it started could keep them going round, so they give up after this many steps.
constexpr int kMaxClimb = 100000;

} // namespace

NodeMatcher::NodeMatcher(Test matches) : m_matches(std::make_shared<const Test>(std::move(matches))) {}

NodeMatcher thenParent(const NodeMatcher& a, const NodeMatcher& b)
{
    return NodeMatcher([a, b](const NMInput& input, NMOutput& output) {
        if (!a.matches(input, output))
            return false;
        auto up = parentInput(output.last);
        return up && b.matches(*up, output);
    });
}

NodeMatcher climbUntil(const NodeMatcher& a, const NodeMatcher& b)
{
    return NodeMatcher([a, b](const NMInput& input, NMOutput& output) {
        if (b.matches(input, output))
            return true;
        if (!a.matches(input, output) || !output.last)
            return false;
        for (int step = 0; step < kMaxClimb; ++step) {
            auto up = parentInput(output.last);
            if (!up)
                return false;
            if (b.matches(*up, output))
                return true;
            if (!a.matches(*up, output) || !output.last)
                return false;
        }
        return false;
    });
}

NodeMatcher thenLastChildBefore(const NodeMatcher& a, const NodeMatcher& b)
{
    return NodeMatcher([a, b](const NMInput& input, NMOutput& output) {
        if (!input.node || !input.location)
            return false;
        ASTNodePtr child = input.node->getLastASTBefore(*input.location);
        if (!child)
            return false;
        if (!a.matches(input, output))
            return false;
        return b.matches(NMInput(child, input.location), output);
    });
}

NodeMatcher both(const NodeMatcher& a, const NodeMatcher& b)
{
    return NodeMatcher([a, b](const NMInput& input, NMOutput& output) {
        return a.matches(input, output) && b.matches(input, output);
    });
}

NodeMatcher either(const NodeMatcher& a, const NodeMatcher& b)
{
    return NodeMatcher([a, b](const NMInput& input, NMOutput& output) {
        return a.matches(input, output) || b.matches(input, output);
    });
}

NodeMatcher oneOrMore(const NodeMatcher& m)
{
    return NodeMatcher([m](const NMInput& input, NMOutput& output) {
        if (!m.matches(input, output))
            return false;
        for (int step = 0; step < kMaxClimb; ++step) {
            if (!output.last) {
                platform::Log::error(QStringLiteral("analysis"),
                                     QStringLiteral("Error: matcher NodeMatcher failed to set 'last' member on its output"));
                return true;
            }
            auto up = parentInput(output.last);
            if (!up || !m.matches(*up, output))
                return true;
        }
        return true;
    });
}

NodeMatcher keepingLast(const NodeMatcher& m)
{
    return NodeMatcher([m](const NMInput& input, NMOutput& output) {
        NMOutput inner;
        if (!m.matches(input, inner))
            return false;
        output.last = inner.last;
        return true;
    });
}

NodeMatcher maybe(const NodeMatcher& m)
{
    return NodeMatcher([m](const NMInput& input, NMOutput& output) {
        m.matches(input, output);
        return true;
    });
}
