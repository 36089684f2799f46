#pragma once

#include <QList>
#include <QRandomGenerator>

#include <utility>

namespace welcome {

// Shuffles in place, every order equally likely; fewer than two elements are left as they are.
template <class T>
void shuffle(QList<T>& list, QRandomGenerator& random = *QRandomGenerator::global())
{
    const qsizetype count = list.size();
    for (qsizetype i = 0; i + 1 < count; ++i) {
        const qsizetype j = i + qsizetype(random.bounded(quint32(count - i)));
        if (j != i)
            std::swap(list[i], list[j]);
    }
}

} // namespace welcome
