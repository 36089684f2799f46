// The mailing-list service is a build setting (CMake cache variable ZELVOR_MAILING_LIST_HOST)
// with no default: the list belongs to whoever distributes the application, so a plain build
// keeps the sign-up in the user's defaults and sends nothing. Only this file is rebuilt when
// the setting changes.
#include <QString>

#ifndef ZELVOR_MAILING_LIST_HOST
#define ZELVOR_MAILING_LIST_HOST ""
#endif

namespace welcome {

QString mailingListHost()
{
    return QStringLiteral(ZELVOR_MAILING_LIST_HOST);
}

} // namespace welcome
