#include "download/BatchResult.h"

#include <QMap>

QStringList urlsToRetry(const BatchResult &result)
{
    QMap<int, QString> byIndex;
    for (const BatchFailure &failure : result.failures)
        byIndex.insert(failure.index, failure.url);
    for (const KeptUrl &kept : result.kept)
        byIndex.insert(kept.index, kept.url);
    for (const UntriedUrl &untried : result.untried)
        byIndex.insert(untried.index, untried.url);
    return byIndex.values();
}
