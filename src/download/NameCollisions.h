#pragma once

#include <QString>
#include <QStringList>

// Different URLs can give the same target file name (a "/" moved within the
// path, a placeholder in the host or the fragment); a batch would then
// silently overwrite the earlier file with the later one.
struct NameCollision
{
    QString fileName; // prefix included, as the file is written
    int count = 0;    // URLs of the list that give this name; 0: no collision
};

// The first name, in list order, that more than one URL of the list gives.
// URLs without a document part or a usable name are left out: they give no file.
NameCollision FirstNameCollision(const QStringList &urls, const QString &prefix);
