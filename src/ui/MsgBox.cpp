#include "ui/MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
MsgBoxHandler &handler()
{
    static MsgBoxHandler h;
    return h;
}

QMessageBox::Icon iconOf(Message::Icon icon)
{
    switch (icon) {
    case Message::Icon::Exclamation:
        return QMessageBox::Warning;
    case Message::Icon::Information:
        return QMessageBox::Information;
    case Message::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

Answer defaultAnswer(const Message &message)
{
    return message.buttons == Message::Buttons::YesNo ? Answer::No : Answer::Ok;
}

std::unique_ptr<QMessageBox> buildMsgBox(const Message &message, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(message.title.isEmpty() ? applicationTitle() : message.title);
    box->setText(message.text);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconOf(message.icon));
    if (message.buttons == Message::Buttons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
        box->button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
        box->setDefaultButton(QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

Answer MsgBox(const Message &message)
{
    if (handler())
        return handler()(message);
    auto box = buildMsgBox(message, QApplication::activeWindow());
    const int button = box->exec();
    if (message.buttons != Message::Buttons::YesNo)
        return Answer::Ok;
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Answer MsgBox(const QString &text, Message::Icon icon, const QString &title)
{
    return MsgBox(Message{text, title, icon, Message::Buttons::Ok});
}

MsgBoxHandler setMsgBoxHandler(MsgBoxHandler h)
{
    MsgBoxHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}
