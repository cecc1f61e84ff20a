#pragma once

#include "download/Message.h"

#include <functional>
#include <memory>
#include <type_traits>

class QMessageBox;
class QWidget;

// Every message box of the program goes through here, so that the texts,
// icons, titles and answers can be checked without a person clicking them away.
using MsgBoxRequest = Message;

// Shows a modal box and returns the button that closed it.
Answer MsgBox(const Message &message);
Answer MsgBox(const QString &text, Message::Icon icon = Message::Icon::None,
              const QString &title = QString());

// The answer of a box closed with Enter or Escape: its default button.
Answer defaultAnswer(const Message &message);

// The real box, as it is shown; exposed so tests can look at what a user sees.
std::unique_ptr<QMessageBox> buildMsgBox(const Message &message, QWidget *parent);

// Replaces the showing of boxes (tests). It may return the answer; one that
// returns nothing answers with the box's default button.
class MsgBoxHandler final
{
public:
    MsgBoxHandler() = default;
    template <typename F,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, MsgBoxHandler> &&
                                          std::is_invocable_v<F &, const Message &>>>
    MsgBoxHandler(F handler) // NOLINT: stands in for a plain callable
    {
        if constexpr (std::is_void_v<std::invoke_result_t<F &, const Message &>>) {
            m_answer = [h = std::move(handler)](const Message &m) mutable {
                h(m);
                return defaultAnswer(m);
            };
        } else {
            m_answer = std::move(handler);
        }
    }
    explicit operator bool() const { return bool(m_answer); }
    Answer operator()(const Message &message) const { return m_answer(message); }

private:
    std::function<Answer(const Message &)> m_answer;
};

// An empty handler restores the real box. Returns the previous handler.
MsgBoxHandler setMsgBoxHandler(MsgBoxHandler handler);
