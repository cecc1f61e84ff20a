#include "download/CurlFailure.h"

namespace {

bool isTlsFailure(CURLcode code)
{
    switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return true;
    default:
        return false;
    }
}

} // namespace

qint32 curlFailureNumber(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return 35772;
    case CURLE_URL_MALFORMAT:
        return 35771;
    case CURLE_COULDNT_RESOLVE_HOST:
        return 35773;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return 35931;
    case CURLE_COULDNT_CONNECT:
        return 35754;
    case CURLE_OPERATION_TIMEDOUT:
        return 35761;
    case CURLE_TOO_MANY_REDIRECTS:
        return 35922;
    case CURLE_OUT_OF_MEMORY:
        return 7;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return 35918;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return 35796;
    default:
        return isTlsFailure(code) ? 35923 : 35769;
    }
}

CurlFailure describeCurlFailure(const CurlOutcome &outcome)
{
    // A plain http target is refused only as a redirect away from https.
    if (outcome.code == CURLE_UNSUPPORTED_PROTOCOL && outcome.redirects > 0 &&
        outcome.effectiveUrl.startsWith("http://")) {
        return {35805, QStringLiteral("Redirect from HTTPS to HTTP refused: %1")
                           .arg(QString::fromUtf8(outcome.effectiveUrl))};
    }
    // Within a header this is libcurl's limit on a line's length, not a lack of memory.
    if (outcome.code == CURLE_OUT_OF_MEMORY && outcome.withinHeader)
        return {35918,
                QStringLiteral("Server reply has an oversized header: %1").arg(outcome.text)};
    return {curlFailureNumber(outcome.code), outcome.text};
}
