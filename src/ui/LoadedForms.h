#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// The application's loaded windows in load order, the main window first.
// Windows add themselves when they load and leave when they unload.
void registerLoadedForm(QWidget *form);
void unregisterLoadedForm(QWidget *form);
QList<QPointer<QWidget>> loadedForms();
