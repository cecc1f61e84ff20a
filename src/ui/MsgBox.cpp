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

bool asksYesNo(int style)
{
    return (style & 7) == vbYesNo;
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}
} // namespace

QString applicationTitle()
{
    return QStringLiteral("Vornix-Downloader");
}

int defaultAnswer(int style)
{
    if (!asksYesNo(style))
        return vbOK;
    return (style & vbDefaultButton2) ? vbNo : vbYes;
}

std::unique_ptr<QMessageBox> buildMsgBox(const MsgBoxRequest &request, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.title.isEmpty() ? applicationTitle() : request.title);
    box->setText(request.text);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconOf(request.style));
    if (asksYesNo(request.style)) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
        box->button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
        box->setDefaultButton(defaultAnswer(request.style) == vbNo ? QMessageBox::No
                                                                   : QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

int MsgBox(const QString &text, int style, const QString &title)
{
    const MsgBoxRequest request{text, style, title};
    if (handler())
        return handler()(request);
    auto box = buildMsgBox(request, QApplication::activeWindow());
    const int button = box->exec();
    if (!asksYesNo(style))
        return vbOK;
    return button == QMessageBox::Yes ? vbYes : vbNo;
}

MsgBoxHandler setMsgBoxHandler(MsgBoxHandler h)
{
    MsgBoxHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}
