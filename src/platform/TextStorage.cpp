#include "platform/TextStorage.h"

namespace platform {

TextStorage::TextStorage(QObject* parent)
    : QObject(parent)
{
}

TextStorage::~TextStorage() = default;

} // namespace platform
