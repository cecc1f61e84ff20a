#pragma once

#include "download/Message.h"

#include <QtGlobal>

// The texts of the transfer wrapper's failure reports, word for word. The
// component's ResponseCode and ResponseInfo are passed as they are when the
// report is made: they describe its last operation, not always the failed one.
struct ComponentDetails
{
    qint32 responseCode = 0;
    QString responseInfo;
};

// RequestFile refused the request.
Message requestFailureMessage(qint32 number, const QString &description,
                              const ComponentDetails &component);
// The component reported its error state.
Message stateErrorMessage(const ComponentDetails &component);
// Something failed inside the state handler.
Message handlerFailureMessage(qint32 number, const QString &description,
                              const ComponentDetails &component);
