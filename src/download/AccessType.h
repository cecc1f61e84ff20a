#pragma once

#include <QtGlobal>

// How a transfer reaches the server; the numbers are the ones the connection
// options stand for.
enum class AccessType : qint32 {
    System = 0,     // the proxy settings of the environment
    Direct = 1,     // no proxy, whatever the environment says
    NamedProxy = 2, // through the proxy given as "host:port"
};
