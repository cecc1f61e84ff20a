#include "app/UndoBlocker.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

namespace {
bool isUndoOrRedo(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
}

bool isUndoOrRedo(const QAction *action)
{
    // Recognised by the caption the line edit gives them, in whatever language.
    const QString caption = action->text().section(QLatin1Char('\t'), 0, 0);
    return caption == QLineEdit::tr("&Undo") || caption == QLineEdit::tr("&Redo");
}

// The field's own menu, less its undo and redo items and the separator after them.
void showMenuWithoutUndo(QLineEdit *field, const QPoint &globalPos)
{
    QMenu *menu = field->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QList<QAction *> actions = menu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        if (!isUndoOrRedo(actions[i]))
            continue;
        menu->removeAction(actions[i]);
        if (i + 1 < actions.size() && actions[i + 1]->isSeparator())
            menu->removeAction(actions[i + 1]);
    }
    menu->popup(globalPos);
}
} // namespace

void UndoBlocker::install(QWidget *field)
{
    field->installEventFilter(new UndoBlocker(field));
}

bool UndoBlocker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        // Left unaccepted, the override lets the disabled menu item have the key.
        return isUndoOrRedo(static_cast<QKeyEvent *>(event));
    case QEvent::ContextMenu:
        if (auto *field = qobject_cast<QLineEdit *>(watched)) {
            showMenuWithoutUndo(field, static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
        return false;
    default:
        return false;
    }
}
