#pragma once

#include <QString>
#include <curl/curl.h>

// A failed transfer as the caller sees it: a number from the error table
// (or 7, out of memory) and a readable text.
struct CurlFailure final
{
    qint32 number = 0;
    QString info;
};

// What libcurl knows about a transfer that ended in `code`.
struct CurlOutcome final
{
    CURLcode code = CURLE_OK;
    // libcurl's own words, from the error buffer or its generic text.
    QString text;
    // Where the transfer ended up, after any redirects.
    QByteArray effectiveUrl;
    long redirects = 0;
    // No complete header had arrived when it failed.
    bool withinHeader = false;
};

// The table's number for a libcurl failure, where one fits.
qint32 curlFailureNumber(CURLcode code);

// The number and text for a failed transfer, with the cases that libcurl's
// code alone does not tell apart.
CurlFailure describeCurlFailure(const CurlOutcome &outcome);
