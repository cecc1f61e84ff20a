#pragma once

class QWidget;

inline constexpr int vbDefault = 0;
inline constexpr int vbHourglass = 11;

// The pointer is a setting, not a stack: setting 0 always brings the normal
// pointer back, however often 11 was set before.
void setScreenMousePointer(int pointer);
int screenMousePointer();

void setWindowMousePointer(QWidget *window, int pointer);
int windowMousePointer(const QWidget *window);
