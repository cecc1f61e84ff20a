#include "app/MsgBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MsgBoxHandler &handler()
{
    static MsgBoxHandler h;
    return h;
}
} // namespace

QString applicationTitle()
{
    return QStringLiteral("Vornix-Downloader");
}

std::unique_ptr<QMessageBox> buildMsgBox(const MsgBoxRequest &request, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.title.isEmpty() ? applicationTitle() : request.title);
    box->setText(request.text);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(request.style == vbInformation ? QMessageBox::Information : QMessageBox::NoIcon);
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void MsgBox(const QString &text, int style, const QString &title)
{
    const MsgBoxRequest request{text, style, title};
    if (handler()) {
        handler()(request);
        return;
    }
    auto box = buildMsgBox(request, QApplication::activeWindow());
    box->exec();
}

MsgBoxHandler setMsgBoxHandler(MsgBoxHandler h)
{
    MsgBoxHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}
