#pragma once

#include <QObject>

class QWidget;

// The program has no undo ("Rückgängig" stays disabled), so a field must not
// undo or redo by itself: neither by key nor from its context menu.
class UndoBlocker final : public QObject
{
    Q_OBJECT
public:
    // Watches the field for as long as it lives.
    static void install(QWidget *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
