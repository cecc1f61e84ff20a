#pragma once

#include "download/PartFile.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The start of a body kept to be continued later, and what continuing it
// needs. Its bytes and this record share one hidden file beside the target,
// ".<name>.vornix-part": the bytes first, then the record, which ends in a
// checksum, so a record cut short by a crash reads as no record at all.
struct KeptPart
{
    QString url;             // asked for
    QString finalUrl;        // where redirects led; the rest must come from there too
    QByteArray etag;         // strong validator, or empty
    QByteArray lastModified; // used when there is no strong ETag
    qint64 total = -1;       // the whole body's length
    qint64 kept = 0;         // bytes at the start of the file

    // Only a body with a known length and a validator can be continued safely.
    bool resumable() const
    {
        return total > 0 && kept > 0 && kept < total &&
               (!etag.isEmpty() || !lastModified.isEmpty());
    }
    // What a range request carries in If-Range.
    QByteArray validator() const { return etag.isEmpty() ? lastModified : etag; }

    // Where the part of `fileName` in `folder` is kept.
    static QString pathFor(const QString &folder, const QString &fileName);
    // The record as it follows the kept bytes in the file.
    QByteArray trailer() const;
    // The record of the file at path, if it has a whole one that fits its bytes.
    static std::optional<KeptPart> read(const QString &path);
};

// The start of a body and what continuing it needs.
struct PartialBody
{
    PartFile file;
    KeptPart record; // record.kept: the file's size when it was kept
};
