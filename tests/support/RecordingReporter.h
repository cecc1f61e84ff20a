#pragma once

#include "download/Reporter.h"

#include <QList>

// Keeps what the core reports instead of showing it; questions get "Nein".
class RecordingReporter : public Reporter
{
public:
    QList<Message> boxes;
    bool busy = false;

    Answer showMessage(const Message &message) override
    {
        boxes.append(message);
        return message.buttons == Message::Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    void setBusy(bool b) override { busy = b; }
};
