#include "app/frmMain.h"

#include "about/frmAbout.h"
#include "app/BatchController.h"
#include "app/BatchProgress.h"
#include "app/BatchSettings.h"
#include "app/EditCommands.h"
#include "app/MainWindowLayout.h"
#include "app/SettingsDialog.h"
#include "app/StatusPanel.h"
#include "app/TargetFolder.h"
#include "app/UndoBlocker.h"
#include "download/BatchMessages.h"
#include "download/NameCollisions.h"
#include "filelist/UrlList.h"
#include "filelist/clsParser.h"
#include "ui/LoadedForms.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <limits>

namespace {
const QString kSection = QStringLiteral("Settings");
const QString kBetaKey = QStringLiteral("BETA-0.2-BETA1");
const QString kDefaultList = QStringLiteral("01;02;03;04;05;06;07;08;09;10-20");
constexpr int kClientWidth = 7095;
constexpr int kClientHeight = 6480;
constexpr int kStatusTop = 6210;
constexpr int kToolbarHeight = 420;

} // namespace

int frmMain::twipsToPixels(double twips)
{
    return qRound(twips / twipsPerPixel);
}

QString frmMain::defaultTargetFolder()
{
    // "C:\" names nothing here; the user's download folder is the closest match.
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vornix-Downloader 0.2 BETA1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/magnet-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/magnet-16.png"), QSize(16, 16));
    setWindowIcon(icon);

    // The layout is measured for a small sans-serif face of Arial's widths.
    QFont smallFont = font();
    smallFont.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                           QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    smallFont.setPixelSize(11);
    setFont(smallFont);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kStatusTop));
    setCentralWidget(client);

    MainWindowLayout::buildMenus(*this);
    MainWindowLayout::buildToolbar(
        *this, QRect(0, 0, twipsToPixels(kClientWidth), twipsToPixels(kToolbarHeight)));
    MainWindowLayout::buildControls(*this, client);
    buildStatusBar();
    m_batch = new BatchController(*this);
    MainWindowLayout::setTabOrder(*this);
    guardTextFields();
    connectButtons();

    setFixedSize(twipsToPixels(kClientWidth),
                 menuBar()->sizeHint().height() + twipsToPixels(kClientHeight));
}

void frmMain::connectButtons()
{
    connect(cmdVorschauAktualisieren, &QPushButton::clicked, this,
            &frmMain::cmdVorschauAktualisieren_Click);
    connect(cmdDownload, &QPushButton::clicked, this, &frmMain::cmdDownload_Click);
    connect(cmdAbbruch, &QPushButton::clicked, this, &frmMain::cmdAbbruch_Click);
    connect(prgBatch, &BatchProgress::resultClicked, this, &frmMain::prgBatch_Click);
    connect(cmdSpeicherOrt, &QToolButton::clicked, this, &frmMain::chooseTargetFolder);
    connect(m_batch, &BatchController::finished, this, [this] { SetDownloadMode(false); });
    connect(m_batch, &BatchController::retryRequested, this, &frmMain::retryFailed);
    for (int i = 0; i < int(optProxy.size()); ++i)
        connect(optProxy[i], &QRadioButton::clicked, this, [this, i] { optProxy_Click(i); });

    // The cancel button answers Escape, but only while it can be pressed.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (cmdAbbruch->isEnabled())
            cmdAbbruch->click();
    });
}

frmMain::~frmMain()
{
    unregisterLoadedForm(this);
}

void frmMain::buildStatusBar()
{
    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(false);
    sbStatusBar->setFixedHeight(twipsToPixels(kClientHeight - kStatusTop));
    m_statusPanel =
        new StatusPanel(QStringLiteral("Vornix-Downloader by Vornix Team."), sbStatusBar);
    m_statusPanel->setObjectName(QStringLiteral("sbStatusBarPanel1"));
    sbStatusBar->addWidget(m_statusPanel, 1);
    prgBatch = new BatchProgress(sbStatusBar);
    prgBatch->setObjectName(QStringLiteral("prgBatch"));
    sbStatusBar->addPermanentWidget(prgBatch);
    setStatusBar(sbStatusBar);
}

QString frmMain::statusPanelText(int index) const
{
    return index == 1 ? m_statusPanel->panelText() : QString();
}

void frmMain::setStatusPanelText(int index, const QString &text)
{
    if (index == 1)
        m_statusPanel->setPanelText(text);
}

void frmMain::setVisible(bool visible)
{
    // The load sequence runs once, before the window first becomes visible.
    if (visible && !m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QMainWindow::setVisible(visible);
}

void frmMain::guardTextFields()
{
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        // Qt's default of 32767 characters would cut a long list or folder without a word.
        field->setMaxLength(std::numeric_limits<int>::max());
        UndoBlocker::install(field);
    }
    UndoBlocker::install(cboErsatzText); // it hands its keys to its line edit directly
    txtVorschau->setUndoRedoEnabled(false);
}

void frmMain::restorePosition()
{
    m_storedLeft = StoredPosition::read(QStringLiteral("MainLeft"));
    m_storedTop = StoredPosition::read(QStringLiteral("MainTop"));
    const int left = twipsToPixels(m_storedLeft.twips);
    const int top = twipsToPixels(m_storedTop.twips);
    const QRect wanted(QPoint(left, top), frameGeometry().size());
    bool reachable = false;
    for (const QScreen *screen : QGuiApplication::screens())
        reachable = reachable || screen->geometry().intersects(wanted);
    // A window outside every screen could never be reached again.
    if (!reachable && !QGuiApplication::screens().isEmpty()) {
        m_storedLeft = m_storedTop = StoredPosition();
        move(twipsToPixels(m_storedLeft.twips), twipsToPixels(m_storedTop.twips));
    } else {
        move(left, top);
    }
    m_restoredAt = pos();
}

void frmMain::Form_Load()
{
    registerLoadedForm(this);
    restorePosition();
    txtSpeicherOrt->setText(GetSetting(applicationTitle(), kSection, QStringLiteral("SpeicherOrt"),
                                       defaultTargetFolder()));
    if (GetSetting(applicationTitle(), kSection, kBetaKey, QString()) != QLatin1String("OK")) {
        MsgBox(QStringLiteral("Achtung: BETA-Version! Diese Software hat mit Sicherheit noch "
                              "diverse (auch gröbere) Fehler."));
        SaveSetting(applicationTitle(), kSection, kBetaKey, QStringLiteral("OK"));
    }
    cboErsatzText->addItem(kDefaultList);
    // Adding the first entry would put it into the edit field; the field stays empty.
    cboErsatzText->setCurrentIndex(-1);
    cboErsatzText->clearEditText();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Closing the window stops a batch like "Abbruch".
    m_batch->cancel();
    const QList<QPointer<QWidget>> forms = loadedForms();
    for (qsizetype i = forms.size() - 1; i >= 1; --i) {
        if (forms[i])
            forms[i]->close();
    }
    if (!isMinimized()) {
        SaveSetting(applicationTitle(), kSection, QStringLiteral("MainLeft"),
                    m_storedLeft.toStore(x(), m_restoredAt.x()));
        SaveSetting(applicationTitle(), kSection, QStringLiteral("MainTop"),
                    m_storedTop.toStore(y(), m_restoredAt.y()));
    }
    SaveSetting(applicationTitle(), kSection, QStringLiteral("SpeicherOrt"),
                txtSpeicherOrt->text());
    unregisterLoadedForm(this);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMain::cmdVorschauAktualisieren_Click()
{
    refreshPreview();
}

bool frmMain::refreshPreview()
{
    clsParser parser;
    parser.setInputText(cboErsatzText->currentText());
    parser.setPadRanges(LoadPadRanges());
    const QString placeholder = txtPlatzhalter->text();
    const QString urlTemplate = txtURL->text();
    QStringList items;
    try {
        items = parser.TextList();
        CheckUrlPreviewSize(urlTemplate, placeholder, items);
    } catch (const ParserError &error) {
        // Nothing has changed yet: preview, list and pointer stay as they were.
        MsgBox(error.userMessage());
        return false;
    }
    txtVorschau->clear();
    setWindowMousePointer(this, Pointer::Hourglass);
    UrlPreview preview = BuildUrlPreview(urlTemplate, placeholder, items);
    // A list of only descending ranges yields nothing; an old list must not
    // survive into the next download.
    Dateiliste = std::move(preview.urls);
    txtVorschau->setPlainText(preview.text);
    setWindowMousePointer(this, Pointer::Default);
    return true;
}

void frmMain::cmdDownload_Click()
{
    if (m_batch->isRunning() || m_unloaded)
        return;
    // Read once, before the list is built; a click on an option later does not change it.
    const TransferSettings transfer = connection();
    if (!refreshPreview() || !confirmSameUrls())
        return;
    startBatch(Dateiliste, transfer);
}

TransferSettings frmMain::connection() const
{
    // "Einstellungen..." holds the rest of how to connect; the window only which way.
    TransferSettings transfer = LoadTransferSettings();
    if (optProxy[0]->isChecked()) {
        transfer.accessType = AccessType::System;
    } else if (optProxy[1]->isChecked()) {
        transfer.accessType = AccessType::Direct;
    } else if (optProxy[2]->isChecked()) {
        transfer.accessType = AccessType::NamedProxy;
        transfer.proxy = txtProxy->text();
    }
    return transfer;
}

void frmMain::startBatch(const QStringList &urls, const TransferSettings &transfer)
{
    // Asked before any request, so a typing mistake costs no traffic.
    if (!TargetFolder::confirm(txtSpeicherOrt->text(), defaultTargetFolder()))
        return;
    SetDownloadMode(true);
    m_batch->start(urls, transfer);
}

void frmMain::prgBatch_Click()
{
    m_batch->showResultList();
}

void frmMain::retryFailed(const QStringList &urls)
{
    if (m_batch->isRunning() || m_unloaded || urls.isEmpty())
        return;
    startBatch(urls, connection());
}

void frmMain::chooseTargetFolder()
{
    const QString folder = TargetFolder::choose(this, txtSpeicherOrt->text());
    if (!folder.isEmpty())
        txtSpeicherOrt->setText(folder);
}

void frmMain::openTargetFolder()
{
    const QString folder = txtSpeicherOrt->text();
    TargetFolder::show(folder.isEmpty() ? defaultTargetFolder() : folder);
}

bool frmMain::confirmSameUrls()
{
    // Without the placeholder every URL is the template itself; that says more than the names.
    const QString placeholder = txtPlatzhalter->text();
    if (Dateiliste.size() >= 2 && !txtURL->text().contains(placeholder))
        return MsgBox(missingPlaceholderQuestion(int(Dateiliste.size()), placeholder)) ==
               Answer::Yes;
    const NameCollision collision = FirstNameCollision(Dateiliste, txtDateiprefix->text());
    if (collision.count == 0)
        return true;
    return MsgBox(nameCollisionQuestion(collision.count, collision.fileName)) == Answer::Yes;
}

void frmMain::cmdAbbruch_Click()
{
    m_batch->cancel();
}

void frmMain::SetDownloadMode(bool downloading)
{
    // The focus goes from the button being switched off to the other one, not on to the next
    // field, where the next key would overwrite the placeholder or the list.
    QPushButton *const off = downloading ? cmdDownload : cmdAbbruch;
    QPushButton *const on = downloading ? cmdAbbruch : cmdDownload;
    const bool handOver = off->hasFocus();
    on->setEnabled(true);
    off->setEnabled(false);
    if (handOver)
        on->setFocus();
    cmdVorschauAktualisieren->setEnabled(!downloading);
}

void frmMain::optProxy_Click(int Index)
{
    if (Index == 0 || Index == 1)
        txtProxy->setEnabled(false);
    else if (Index == 2)
        txtProxy->setEnabled(true);
    else
        return;
    const QString tag = optProxy[Index]->property("Tag").toString();
    try {
        setStatusPanelText(1, LoadResString(qRound(tag.toDouble() + 1000)));
    } catch (const StringTableError &error) {
        MsgBox(QString::fromUtf8(error.what()));
    }
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::mnuEditCut_Click()
{
    EditCut();
}

void frmMain::mnuEditCopy_Click()
{
    EditCopy();
}

void frmMain::mnuEditPaste_Click()
{
    EditPaste();
}

void frmMain::mnuEditSettings_Click()
{
    auto *dialog = new SettingsDialog(LoadBatchOptions(), LoadPadRanges(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Read again at the start of every batch, so a running one keeps its options.
    connect(dialog, &QDialog::accepted, this, [dialog] {
        SaveBatchOptions(dialog->options());
        SavePadRanges(dialog->padsRanges());
    });
    dialog->open();
}

void frmMain::mnuViewToolbar_Click()
{
    // The item toggles its own check mark when triggered; the bar follows it.
    tbToolBar->setVisible(mnuViewToolbar->isChecked());
}

void frmMain::mnuViewStatusBar_Click()
{
    sbStatusBar->setVisible(mnuViewStatusBar->isChecked());
}

void frmMain::mnuHelpContents_Click()
{
    ShowHelp(this, helpContents);
}

void frmMain::mnuHelpSearchForHelpOn_Click()
{
    ShowHelp(this, helpPartialKey);
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout::showModal(this);
}

void frmMain::tbToolBar_ButtonClick(const QString &Key)
{
    ToolbarButtonClick(Key);
}
