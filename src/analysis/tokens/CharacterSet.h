#pragma once

// A fixed set of UTF-16 code units, tested one unit at a time (a surrogate half is never a
// letter). Sets are immutable values made once by the token-matcher library.
class CharacterSet {
public:
    using Predicate = bool (*)(char16_t unit);

    explicit constexpr CharacterSet(Predicate contains) : m_contains(contains) {}

    bool contains(char16_t unit) const { return m_contains(unit); }

private:
    Predicate m_contains;
};
