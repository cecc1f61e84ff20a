#pragma once

#include <QtGlobal>

// The failure numbers we report, named. The numbers are the ones a person
// sees in a box and looks up in clsInet::InetErrDescription, so they never
// change; a few come from Visual Basic, the rest from the transfer
// component's table.
enum class FailureNumber : qint32 {
    OutOfMemory = 7,
    InternalFailure = 51, // a failure that carries no number of its own
    PathFileAccess = 75,  // a body that could not be written
    InvalidPropertyValue = 380,
    CannotOpenHandle = 35750,
    ConnectionRefused = 35754,
    NoRemoteComputer = 35755,
    NoRequestMade = 35757,
    CannotRetrieveData = 35758,
    TimedOut = 35761,
    UnsupportedOperation = 35762,
    InvalidArgument = 35763,
    StillExecuting = 35764,
    ExtendedError = 35769,
    InternalError = 35770,
    InvalidUrl = 35771,
    UnrecognizedScheme = 35772,
    NameNotResolved = 35773,
    NoProxy = 35786,
    ConnectionAborted = 35796,
    InvalidProxyRequest = 35799,
    HttpsToHttpRedirect = 35805,
    InvalidServerResponse = 35918,
    RedirectFailed = 35922,
    SecureChannelError = 35923,
    ProxyUnreachable = 35931,
};

constexpr qint32 numberOf(FailureNumber failure)
{
    return static_cast<qint32>(failure);
}
