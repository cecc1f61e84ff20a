#pragma once

class QWidget;

enum class Pointer { Default, Hourglass };

// The pointer is a setting, not a stack: setting Default always brings the
// normal pointer back, however often Hourglass was set before.
void setScreenMousePointer(Pointer pointer);
Pointer screenMousePointer();

void setWindowMousePointer(QWidget *window, Pointer pointer);
Pointer windowMousePointer(const QWidget *window);
