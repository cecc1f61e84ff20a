#include "ui/LoadedForms.h"

namespace {
QList<QPointer<QWidget>> &forms()
{
    static QList<QPointer<QWidget>> list;
    return list;
}

void dropDeleted()
{
    forms().removeIf([](const QPointer<QWidget> &p) { return p.isNull(); });
}
} // namespace

void registerLoadedForm(QWidget *form)
{
    dropDeleted();
    if (!forms().contains(form))
        forms().append(form);
}

void unregisterLoadedForm(QWidget *form)
{
    forms().removeAll(form);
    dropDeleted();
}

QList<QPointer<QWidget>> loadedForms()
{
    dropDeleted();
    return forms();
}
