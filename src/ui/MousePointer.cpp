#include "ui/MousePointer.h"

#include <QGuiApplication>
#include <QWidget>

void setScreenMousePointer(int pointer)
{
    if (pointer == vbHourglass) {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

int screenMousePointer()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor ? vbHourglass : vbDefault;
}

void setWindowMousePointer(QWidget *window, int pointer)
{
    if (pointer == vbHourglass)
        window->setCursor(Qt::WaitCursor);
    else
        window->unsetCursor();
}

int windowMousePointer(const QWidget *window)
{
    return window->testAttribute(Qt::WA_SetCursor) && window->cursor().shape() == Qt::WaitCursor
               ? vbHourglass
               : vbDefault;
}
