#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// Every message box of the program goes through here, so that the texts,
// icons and titles can be checked without a person clicking them away.
struct MsgBoxRequest
{
    QString text;
    int style = 0; // 0: OK only; 64: OK with the information icon
    QString title; // empty: the application title
};

inline constexpr int vbOKOnly = 0;
inline constexpr int vbInformation = 64;

QString applicationTitle();

// Shows a modal box and returns when it is closed.
void MsgBox(const QString &text, int style = vbOKOnly, const QString &title = QString());

// The real box, as it is shown; exposed so tests can look at what a user sees.
std::unique_ptr<QMessageBox> buildMsgBox(const MsgBoxRequest &request, QWidget *parent);

// Replaces the showing of boxes (tests); an empty handler restores the real box.
// Returns the previous handler.
using MsgBoxHandler = std::function<void(const MsgBoxRequest &)>;
MsgBoxHandler setMsgBoxHandler(MsgBoxHandler handler);
