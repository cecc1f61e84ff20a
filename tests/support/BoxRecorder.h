#pragma once

#include "ui/MsgBox.h"

#include <QList>
#include <optional>

// Records message boxes instead of showing them while it lives, answering them as told, then
// puts back whatever showed them before. Destroy one before making the next.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        m_previous = setMsgBoxHandler([this](const MsgBoxRequest &r) {
            boxes.append(r);
            return answer.value_or(defaultAnswer(r));
        });
    }
    ~BoxRecorder() { setMsgBoxHandler(m_previous); }
    Q_DISABLE_COPY(BoxRecorder)

    QList<MsgBoxRequest> boxes;
    std::optional<Answer> answer; // for every box; none: its default button

private:
    MsgBoxHandler m_previous;
};
