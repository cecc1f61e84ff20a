#include "download/InetMessages.h"

#include "download/clsInet.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

Message requestFailureMessage(qint32 number, const QString &description,
                              const ComponentDetails &component)
{
    return {QStringLiteral("Error ") + QString::number(number) + kCrLf + description + kCrLf +
                QStringLiteral("Inet Error ") + QString::number(component.responseCode) + kCrLf +
                component.responseInfo + kCrLf + clsInet::InetErrDescription(number),
            applicationTitle()};
}

Message stateErrorMessage(const ComponentDetails &component)
{
    // The 0 and the empty line stand where a failure number and its text would.
    return {QStringLiteral("icError in StateChanged 0") + kCrLf + kCrLf +
                QStringLiteral("Inet Error ") + QString::number(component.responseCode) + kCrLf +
                component.responseInfo,
            QStringLiteral("Fehler")};
}

Message handlerFailureMessage(qint32 number, const QString &description,
                              const ComponentDetails &component)
{
    return {QStringLiteral("checkError in Inetd_StateChanged") + kCrLf +
                QStringLiteral("Error Number ") + QString::number(number) + kCrLf +
                QStringLiteral("Error Description: ") + description + kCrLf +
                QStringLiteral("Inet ResponseCode ") + QString::number(component.responseCode) +
                kCrLf + QStringLiteral("Inet ResponseInfo ") + component.responseInfo + kCrLf +
                QStringLiteral("InetErrDescription: ") + clsInet::InetErrDescription(number),
            applicationTitle()};
}
