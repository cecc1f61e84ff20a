#pragma once

#include <QString>

// What a batch reads from its front end, at the moments it reads it: the
// referer just before each request, folder and prefix just after each
// transfer, so that an edit during a batch counts from then on.
class BatchFields
{
public:
    virtual ~BatchFields() = default;
    virtual QString referer() const = 0;
    virtual QString targetFolder() const = 0;
    // The folder offered when the user has chosen none; made when missing.
    virtual QString defaultTargetFolder() const = 0;
    virtual QString filePrefix() const = 0;
};

// Fields that do not change during the batch, as a command line gives them.
class FixedBatchFields final : public BatchFields
{
public:
    FixedBatchFields(QString folder, QString prefix, QString referer)
        : m_folder(std::move(folder)), m_prefix(std::move(prefix)), m_referer(std::move(referer))
    {
    }
    QString referer() const override { return m_referer; }
    QString targetFolder() const override { return m_folder; }
    // None is offered: a missing folder is an error.
    QString defaultTargetFolder() const override { return QString(); }
    QString filePrefix() const override { return m_prefix; }

private:
    QString m_folder;
    QString m_prefix;
    QString m_referer;
};
