#include "app/EditCommands.h"

#include "ui/MsgBox.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QUrl>

namespace {
QLineEdit *lineEditOf(QWidget *widget)
{
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit;
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->lineEdit(); // null unless editable
    return nullptr;
}

template <typename Box> QString selectionOf(const Box *box)
{
    return box->textCursor().selection().toPlainText();
}

template <typename Box> bool replaceIn(Box *box, const QString &text)
{
    if (box->isReadOnly())
        return false;
    QTextCursor cursor = box->textCursor();
    cursor.insertText(text);
    box->setTextCursor(cursor);
    return true;
}

// The focused widget's selected text; false when it has no text selection.
bool selectedText(QWidget *widget, QString *text)
{
    if (QLineEdit *edit = lineEditOf(widget)) {
        *text = edit->selectedText();
        return true;
    }
    if (auto *box = qobject_cast<QPlainTextEdit *>(widget)) {
        *text = selectionOf(box);
        return true;
    }
    if (auto *box = qobject_cast<QTextEdit *>(widget)) {
        *text = selectionOf(box);
        return true;
    }
    return false;
}

// Replaces the selection, or inserts at the caret; false when the widget can't.
bool replaceSelection(QWidget *widget, const QString &text)
{
    if (QLineEdit *edit = lineEditOf(widget)) {
        if (edit->isReadOnly())
            return false;
        edit->insert(text);
        return true;
    }
    if (auto *box = qobject_cast<QPlainTextEdit *>(widget))
        return replaceIn(box, text);
    if (auto *box = qobject_cast<QTextEdit *>(widget))
        return replaceIn(box, text);
    return false;
}

// Puts the focused widget's selection on the clipboard; the widget, or null
// when there was nothing to copy.
QWidget *copySelection()
{
    QWidget *widget = QApplication::focusWidget();
    QString text;
    if (!widget || !selectedText(widget, &text) || text.isEmpty())
        return nullptr;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return nullptr;
    clipboard->clear();
    clipboard->setText(text);
    return widget;
}
} // namespace

void EditCopy()
{
    copySelection();
}

void EditCut()
{
    if (QWidget *widget = copySelection())
        replaceSelection(widget, QString());
}

void EditPaste()
{
    QWidget *widget = QApplication::focusWidget();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!widget || !clipboard)
        return;
    replaceSelection(widget, clipboard->text());
}

void ToolbarButtonClick(const QString &key)
{
    try {
        if (key == QLatin1String("Cut"))
            EditCut();
        else if (key == QLatin1String("Copy"))
            EditCopy();
        else if (key == QLatin1String("Paste"))
            EditPaste();
        // "New" has no command behind it.
    } catch (...) {
        // A toolbar click never reports a failure.
    }
}

QString applicationHelpFile()
{
    return QString();
}

void ShowHelp(QWidget *mainWindow, int command)
{
    const QString helpFile = applicationHelpFile();
    if (helpFile.isEmpty()) {
        MsgBox(QStringLiteral("Keine Hilfe verfügbar."), Message::Icon::Information,
               mainWindow ? mainWindow->windowTitle() : QString());
        return;
    }
    QString error;
    if (!openHelpFile(mainWindow, helpFile, command, &error))
        MsgBox(error, Message::Icon::None, applicationTitle());
}

bool openHelpFile(QWidget *mainWindow, const QString &helpFile, int command, QString *error)
{
    // No help system here: the file opens in its viewer, which has no commands.
    Q_UNUSED(mainWindow);
    Q_UNUSED(command);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)))
        return true;
    *error = QStringLiteral("Die Hilfedatei \"%1\" kann nicht geöffnet werden.").arg(helpFile);
    return false;
}
