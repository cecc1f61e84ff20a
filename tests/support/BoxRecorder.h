#pragma once

#include "ui/MsgBox.h"

#include <QList>

// Records message boxes instead of showing them while it lives, then puts
// back whatever showed them before. Destroy one before making the next.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        m_previous = setMsgBoxHandler([this](const MsgBoxRequest &r) { boxes.append(r); });
    }
    ~BoxRecorder() { setMsgBoxHandler(m_previous); }
    Q_DISABLE_COPY(BoxRecorder)

    QList<MsgBoxRequest> boxes;

private:
    MsgBoxHandler m_previous;
};
