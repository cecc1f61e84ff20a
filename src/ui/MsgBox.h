#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <type_traits>

class QMessageBox;
class QWidget;

// Every message box of the program goes through here, so that the texts,
// icons, titles and answers can be checked without a person clicking them away.
struct MsgBoxRequest
{
    QString text;
    int style = 0; // buttons + icon + default button, as the vb* constants below add up
    QString title; // empty: the application title
};

inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;
inline constexpr int vbDefaultButton2 = 256;

// The button that closed a box.
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

QString applicationTitle();

// Shows a modal box and returns the button that closed it.
int MsgBox(const QString &text, int style = vbOKOnly, const QString &title = QString());

// The answer of a box closed with Enter or Escape: its default button.
int defaultAnswer(int style);

// The real box, as it is shown; exposed so tests can look at what a user sees.
std::unique_ptr<QMessageBox> buildMsgBox(const MsgBoxRequest &request, QWidget *parent);

// Replaces the showing of boxes (tests). It may return the button it answers
// with; one that returns nothing answers with the box's default button.
class MsgBoxHandler
{
public:
    MsgBoxHandler() = default;
    template <typename F,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, MsgBoxHandler> &&
                                          std::is_invocable_v<F &, const MsgBoxRequest &>>>
    MsgBoxHandler(F handler) // NOLINT: stands in for a plain callable
    {
        if constexpr (std::is_void_v<std::invoke_result_t<F &, const MsgBoxRequest &>>) {
            m_answer = [h = std::move(handler)](const MsgBoxRequest &r) mutable {
                h(r);
                return defaultAnswer(r.style);
            };
        } else {
            m_answer = std::move(handler);
        }
    }
    explicit operator bool() const { return bool(m_answer); }
    int operator()(const MsgBoxRequest &request) const { return m_answer(request); }

private:
    std::function<int(const MsgBoxRequest &)> m_answer;
};

// An empty handler restores the real box. Returns the previous handler.
MsgBoxHandler setMsgBoxHandler(MsgBoxHandler handler);
