#include "ui/MousePointer.h"

#include <QGuiApplication>
#include <QWidget>

void setScreenMousePointer(Pointer pointer)
{
    if (pointer == Pointer::Hourglass) {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

Pointer screenMousePointer()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor ? Pointer::Hourglass : Pointer::Default;
}

void setWindowMousePointer(QWidget *window, Pointer pointer)
{
    if (pointer == Pointer::Hourglass)
        window->setCursor(Qt::WaitCursor);
    else
        window->unsetCursor();
}

Pointer windowMousePointer(const QWidget *window)
{
    return window->testAttribute(Qt::WA_SetCursor) && window->cursor().shape() == Qt::WaitCursor
               ? Pointer::Hourglass
               : Pointer::Default;
}
