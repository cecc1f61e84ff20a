#include "app/FailureList.h"

#include "app/TargetFolder.h"
#include "download/BatchMessages.h"
#include "ui/LoadedForms.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}
} // namespace

FailureList::FailureList(const BatchResult &result, const QStringList &skipped,
                         int stopAfterFailures, const QString &folder, QWidget *parent)
    : QDialog(parent), m_retry(urlsToRetry(result))
{
    setObjectName(QStringLiteral("frmFehlerliste"));
    setWindowTitle(QStringLiteral("Nicht gespeicherte Dateien"));
    setAttribute(Qt::WA_DeleteOnClose);
    lstDateien = new QTreeWidget(this);
    lstDateien->setObjectName(QStringLiteral("lstDateien"));
    lstDateien->setHeaderLabels({QStringLiteral("URL"), QStringLiteral("Grund")});
    lstDateien->setRootIsDecorated(false);
    lstDateien->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const auto addRow = [this](const QString &url, const QString &reason) {
        lstDateien->addTopLevelItem(new QTreeWidgetItem({url, reason}));
        m_urls << url;
    };
    for (const BatchFailure &failure : result.failures) {
        // A write failure's description is the system's reason alone; the box said more.
        addRow(failure.url,
               failure.description.isEmpty() ? failure.shownText : failure.description);
    }
    m_firstKeptRow = lstDateien->topLevelItemCount();
    m_keptRows = static_cast<int>(result.kept.size());
    for (const KeptUrl &kept : result.kept) {
        addRow(kept.url, keptReason(kept.bytes));
        m_keptPaths << kept.path;
    }
    const QString notTried = untriedReason(result.outcome, stopAfterFailures);
    for (const UntriedUrl &untried : result.untried)
        addRow(untried.url, notTried);
    for (const QString &url : skipped)
        addRow(url, QStringLiteral("übersprungen, die Datei gibt es schon"));
    lstDateien->resizeColumnToContents(0);

    cmdKopieren = button(this, "cmdKopieren", QStringLiteral("Kopieren"));
    cmdErneut = button(this, "cmdErneut", QStringLiteral("Erneut versuchen"));
    cmdErneut->setEnabled(!m_retry.isEmpty());
    cmdZielordner = button(this, "cmdZielordner", QStringLiteral("Zielordner öffnen"));
    cmdVerwerfen = button(this, "cmdVerwerfen", QStringLiteral("Unvollständige verwerfen"));
    cmdVerwerfen->setVisible(!m_keptPaths.isEmpty());
    cmdSchliessen = button(this, "cmdSchliessen", QStringLiteral("Schließen"));
    connect(cmdKopieren, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_urls.join(QLatin1Char('\n'))); });
    connect(cmdErneut, &QPushButton::clicked, this, [this] {
        // The batch's result replaces this list.
        Q_EMIT retryRequested(m_retry);
        close();
    });
    connect(cmdZielordner, &QPushButton::clicked, this,
            [this, folder] { TargetFolder::show(folder); });
    connect(cmdVerwerfen, &QPushButton::clicked, this, [this] {
        // Only the record beside each target: a part continued meanwhile has another name.
        for (const QString &path : std::as_const(m_keptPaths))
            QFile::remove(path);
        m_keptPaths.clear();
        cmdVerwerfen->setEnabled(false);
        for (int row = m_firstKeptRow; row < m_firstKeptRow + m_keptRows; ++row)
            lstDateien->topLevelItem(row)->setText(1, QStringLiteral("unvollständig, verworfen"));
    });
    connect(cmdSchliessen, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdKopieren);
    buttons->addWidget(cmdErneut);
    buttons->addWidget(cmdZielordner);
    buttons->addWidget(cmdVerwerfen);
    buttons->addStretch();
    buttons->addWidget(cmdSchliessen);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstDateien);
    layout->addLayout(buttons);
    resize(560, 300);
    // Closing the main window closes this one too.
    registerLoadedForm(this);
}

FailureList::~FailureList()
{
    unregisterLoadedForm(this);
}
