#pragma once

#include "download/Message.h"

// The one way the core reaches the person in front of it. The core never
// shows anything itself: the front end decides how a message looks and
// whether the application looks busy.
class Reporter
{
public:
    virtual ~Reporter() = default;
    // Returns once the message has been read and answered, as a modal box does.
    virtual Answer showMessage(const Message &message) = 0;
    // Busy while a finished body is being taken over from the transfer.
    virtual void setBusy(bool busy) = 0;
};
