#pragma once

#include <QString>

// A window edge as the settings hold it, in twips: the value applied and the
// text it was read from, so an edge that did not move is stored as it was.
struct StoredPosition
{
    float twips = 1000;
    QString text = QStringLiteral("1000");

    // The value under key in the window's settings; one that is no number, or
    // none a window can have, reads as the default.
    static StoredPosition read(const QString &key);
    // What to store for an edge now at `pixels` that was restored at `restored`.
    QString toStore(int pixels, int restored) const;
};
