#include "app/FailureList.h"

#include "ui/LoadedForms.h"

#include <QClipboard>
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

FailureList::FailureList(const QList<BatchFailure> &failures, const QStringList &skipped,
                         QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFehlerliste"));
    setWindowTitle(QStringLiteral("Nicht gespeicherte Dateien"));
    setAttribute(Qt::WA_DeleteOnClose);
    lstDateien = new QTreeWidget(this);
    lstDateien->setObjectName(QStringLiteral("lstDateien"));
    lstDateien->setHeaderLabels({QStringLiteral("URL"), QStringLiteral("Grund")});
    lstDateien->setRootIsDecorated(false);
    lstDateien->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const BatchFailure &failure : failures) {
        // A write failure's description is the system's reason alone; the box said more.
        const QString reason =
            failure.description.isEmpty() ? failure.shownText : failure.description;
        lstDateien->addTopLevelItem(new QTreeWidgetItem({failure.url, reason}));
        m_urls << failure.url;
        m_failed << failure.url;
    }
    for (const QString &url : skipped) {
        lstDateien->addTopLevelItem(
            new QTreeWidgetItem({url, QStringLiteral("übersprungen, die Datei gibt es schon")}));
        m_urls << url;
    }
    lstDateien->resizeColumnToContents(0);

    cmdKopieren = button(this, "cmdKopieren", QStringLiteral("Kopieren"));
    cmdErneut = button(this, "cmdErneut", QStringLiteral("Erneut versuchen"));
    cmdErneut->setEnabled(!m_failed.isEmpty());
    cmdSchliessen = button(this, "cmdSchliessen", QStringLiteral("Schließen"));
    connect(cmdKopieren, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_urls.join(QLatin1String("\r\n"))); });
    connect(cmdErneut, &QPushButton::clicked, this, [this] {
        // The batch's result replaces this list.
        Q_EMIT retryRequested(m_failed);
        close();
    });
    connect(cmdSchliessen, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdKopieren);
    buttons->addWidget(cmdErneut);
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
