#include "download/CurlFailure.h"

#include "download/FailureNumber.h"

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
        return numberOf(FailureNumber::UnrecognizedScheme);
    case CURLE_URL_MALFORMAT:
        return numberOf(FailureNumber::InvalidUrl);
    case CURLE_COULDNT_RESOLVE_HOST:
        return numberOf(FailureNumber::NameNotResolved);
    case CURLE_COULDNT_RESOLVE_PROXY:
        return numberOf(FailureNumber::ProxyUnreachable);
    case CURLE_COULDNT_CONNECT:
        return numberOf(FailureNumber::ConnectionRefused);
    case CURLE_OPERATION_TIMEDOUT:
        return numberOf(FailureNumber::TimedOut);
    case CURLE_TOO_MANY_REDIRECTS:
        return numberOf(FailureNumber::RedirectFailed);
    case CURLE_OUT_OF_MEMORY:
        return numberOf(FailureNumber::OutOfMemory);
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return numberOf(FailureNumber::InvalidServerResponse);
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return numberOf(FailureNumber::ConnectionAborted);
    default:
        return numberOf(isTlsFailure(code) ? FailureNumber::SecureChannelError
                                           : FailureNumber::ExtendedError);
    }
}

CurlFailure describeCurlFailure(const CurlOutcome &outcome)
{
    // A plain http target is refused only as a redirect away from https.
    if (outcome.code == CURLE_UNSUPPORTED_PROTOCOL && outcome.redirects > 0 &&
        outcome.effectiveUrl.startsWith("http://")) {
        return {numberOf(FailureNumber::HttpsToHttpRedirect),
                QStringLiteral("Redirect from HTTPS to HTTP refused: %1")
                    .arg(QString::fromUtf8(outcome.effectiveUrl))};
    }
    // Within a header this is libcurl's limit on a line's length, not a lack of memory.
    if (outcome.code == CURLE_OUT_OF_MEMORY && outcome.withinHeader)
        return {numberOf(FailureNumber::InvalidServerResponse),
                QStringLiteral("Server reply has an oversized header: %1").arg(outcome.text)};
    return {curlFailureNumber(outcome.code), outcome.text};
}
