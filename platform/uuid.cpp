#include "platform/uuid.h"

#include <QUuid>

namespace zelvane::platform {

std::string newUuidString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

} // namespace zelvane::platform
