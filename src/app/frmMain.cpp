#include "app/frmMain.h"

#include "about/frmAbout.h"
#include "app/BatchProgress.h"
#include "app/BatchSettings.h"
#include "app/EditCommands.h"
#include "app/FailureList.h"
#include "app/ImageList.h"
#include "app/SettingsDialog.h"
#include "app/StatusPanel.h"
#include "app/UndoBlocker.h"
#include "download/BatchMessages.h"
#include "download/DownloadBatch.h"
#include "download/NameCollisions.h"
#include "download/clsInet.h"
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
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <limits>

namespace {
const QString kSection = QStringLiteral("Settings");
const QString kBetaKey = QStringLiteral("BETA-0.2-BETA1");
const QString kDefaultList = QStringLiteral("01;02;03;04;05;06;07;08;09;10-20");
constexpr int kClientWidth = 7095;
constexpr int kClientHeight = 6480;
constexpr int kStatusTop = 6210;
constexpr int kToolbarHeight = 420;
constexpr float kDefaultPosition = 1000;
// Qt places no window further out than this many pixels.
constexpr double kMaxPositionTwips = double(QWIDGETSIZE_MAX) * frmMain::twipsPerPixel;

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(frmMain::twipsToPixels(left), frmMain::twipsToPixels(top),
                 frmMain::twipsToPixels(width), frmMain::twipsToPixels(height));
}

template <typename W> W *place(W *widget, const char *name, int l, int t, int w, int h)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect(l, t, w, h));
    return widget;
}

QString defaultTargetFolder()
{
    // "C:\" names nothing here; the user's download folder is the closest match.
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

// A stored position that is no number, or none a window can have, reads as the default.
frmMain::StoredPosition readPosition(const QString &key)
{
    const QString text = GetSetting(applicationTitle(), kSection, key, QStringLiteral("1000"));
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > kMaxPositionTwips)
        return {kDefaultPosition, QStringLiteral("1000")};
    return {static_cast<float>(value), text};
}

QString positionText(int pixels)
{
    const float twips = static_cast<float>(pixels) * frmMain::twipsPerPixel;
    return QString::number(twips, 'g', QLocale::FloatingPointShortest);
}

QAction *menuItem(QMenu *menu, const char *name, const QString &caption,
                  const QKeySequence &shortcut = QKeySequence())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

void separator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}
} // namespace

int frmMain::twipsToPixels(double twips)
{
    return qRound(twips / twipsPerPixel);
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

    buildMenus();
    buildToolbar();
    buildDateiliste(client);
    buildDownload(client);
    buildStatusBar();
    setTabOrder();
    guardTextFields();

    connectButtons();
    connectCommands();

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

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("&Datei"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuFileNew = menuItem(file, "mnuFileNew", QStringLiteral("&Neu"),
                          QKeySequence(QStringLiteral("Ctrl+N")));
    separator(file, "mnuFileBar0");
    mnuFileExit = menuItem(file, "mnuFileExit", QStringLiteral("&Beenden"));

    QMenu *edit = bar->addMenu(QStringLiteral("&Bearbeiten"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditUndo = menuItem(edit, "mnuEditUndo", QStringLiteral("&Rückgängig"),
                           QKeySequence(QStringLiteral("Ctrl+Z")));
    mnuEditUndo->setEnabled(false);
    separator(edit, "mnuEditBar0");
    mnuEditCut = menuItem(edit, "mnuEditCut", QStringLiteral("&Ausschneiden"),
                          QKeySequence(QStringLiteral("Ctrl+X")));
    mnuEditCopy = menuItem(edit, "mnuEditCopy", QStringLiteral("&Kopieren"),
                           QKeySequence(QStringLiteral("Ctrl+C")));
    mnuEditPaste = menuItem(edit, "mnuEditPaste", QStringLiteral("&Einfügen"),
                            QKeySequence(QStringLiteral("Ctrl+V")));
    separator(edit, "mnuEditBar1");
    // "E" belongs to "Einfügen".
    mnuEditSettings = menuItem(edit, "mnuEditSettings", QStringLiteral("Ein&stellungen..."));

    QMenu *view = bar->addMenu(QStringLiteral("&Ansicht"));
    view->setObjectName(QStringLiteral("mnuView"));
    mnuViewToolbar = menuItem(view, "mnuViewToolbar", QStringLiteral("&Symbolleiste"));
    mnuViewToolbar->setCheckable(true);
    mnuViewToolbar->setChecked(true);
    mnuViewStatusBar = menuItem(view, "mnuViewStatusBar", QStringLiteral("Status&leiste"));
    mnuViewStatusBar->setCheckable(true);
    mnuViewStatusBar->setChecked(true);

    QMenu *help = bar->addMenu(QStringLiteral("&Hilfe"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = menuItem(help, "mnuHelpContents", QStringLiteral("&Inhalt"));
    mnuHelpSearchForHelpOn =
        menuItem(help, "mnuHelpSearchForHelpOn", QStringLiteral("&Suchen in der Hilfe..."));
    separator(help, "mnuHelpBar0");
    mnuHelpAbout = menuItem(help, "mnuHelpAbout", QStringLiteral("In&fo"));
}

void frmMain::buildToolbar()
{
    imlToolbarIcons = new ImageList(this);
    imlToolbarIcons->setObjectName(QStringLiteral("imlToolbarIcons"));
    const QStringList keys{QStringLiteral("New"), QStringLiteral("Cut"), QStringLiteral("Copy"),
                           QStringLiteral("Paste")};
    for (const QString &key : keys)
        imlToolbarIcons->add(key, QPixmap(QStringLiteral(":/toolbar/%1.png").arg(key.toLower())));

    // A child of the client area rather than a dock, so hiding it moves nothing.
    tbToolBar = new QToolBar(centralWidget());
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setGeometry(twipsRect(0, 0, kClientWidth, kToolbarHeight));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(16, 16));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const QStringList tips{QStringLiteral("Neu"), QStringLiteral("Ausschneiden"),
                           QStringLiteral("Kopieren"), QStringLiteral("Einfügen")};
    for (int i = 0; i < keys.size(); ++i) {
        QAction *button = tbToolBar->addAction(QIcon(imlToolbarIcons->image(keys[i])), QString());
        button->setObjectName(QStringLiteral("tbToolBar_") + keys[i]);
        button->setData(keys[i]);
        button->setToolTip(tips[i]);
        // The edit commands act on the focused field, so the buttons must not take it.
        if (QWidget *w = tbToolBar->widgetForAction(button))
            w->setFocusPolicy(Qt::NoFocus);
    }
}

void frmMain::buildDateiliste(QWidget *client)
{
    fraDateiliste = place(new QGroupBox(QStringLiteral("Dateiliste erzeugen"), client),
                          "fraDateiliste", 120, 480, 6735, 3495);
    QWidget *f = fraDateiliste;
    lblURL = place(new QLabel(QStringLiteral("URL:"), f), "lblURL", 120, 240, 735, 255);
    txtURL = place(new QLineEdit(QStringLiteral("http://www.example.com/images/image§.jpg"), f),
                   "txtURL", 960, 210, 5655, 285);
    lblErsetze = place(new QLabel(QStringLiteral("Ersetze"), f), "lblErsetze", 240, 630, 615, 255);
    txtPlatzhalter =
        place(new QLineEdit(QStringLiteral("§"), f), "txtPlatzhalter", 960, 615, 975, 285);
    lblMit = place(new QLabel(QStringLiteral("mit"), f), "lblMit", 2040, 630, 615, 255);
    cboErsatzText = place(new QComboBox(f), "cboErsatzText", 2400, 600, 4215, 315);
    cboErsatzText->setEditable(true);
    cboErsatzText->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would silently turn "01;02;03" into the offered twenty items.
    cboErsatzText->setCompleter(nullptr);
    lblVorschau =
        place(new QLabel(QStringLiteral("Vorschau:"), f), "lblVorschau", 120, 1080, 735, 255);
    txtVorschau = place(new QPlainTextEdit(f), "txtVorschau", 960, 1080, 5655, 2235);
    txtVorschau->setReadOnly(true);
    txtVorschau->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtVorschau->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtVorschau->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtVorschau->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette buttonFace = txtVorschau->palette();
    buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
    txtVorschau->setPalette(buttonFace);
    cmdVorschauAktualisieren = place(new QPushButton(QStringLiteral("refresh"), f),
                                     "cmdVorschauAktualisieren", 120, 1440, 735, 375);
    for (QLabel *label : {lblURL, lblErsetze, lblMit, lblVorschau})
        label->setFocusPolicy(Qt::NoFocus);
}

void frmMain::buildDownload(QWidget *client)
{
    fraDownload = place(new QGroupBox(QStringLiteral("Download"), client), "fraDownload", 120, 4080,
                        6735, 1815);
    QWidget *f = fraDownload;
    lblProxy = place(new QLabel(QStringLiteral("Proxy:"), f), "lblProxy", 120, 240, 495, 255);
    const char *names[] = {"optProxy0", "optProxy1", "optProxy2"};
    const QString captions[] = {QStringLiteral("Standard"), QStringLiteral("Direktverbindung"),
                                QStringLiteral("Benutzerdefiniert")};
    const int tops[] = {240, 480, 720};
    const int widths[] = {1455, 1695, 1575};
    for (int i = 0; i < 3; ++i) {
        optProxy[i] =
            place(new QRadioButton(captions[i], f), names[i], 720, tops[i], widths[i], 255);
        optProxy[i]->setProperty("Tag", QString::number(101 + i));
        optProxy[i]->setProperty("Index", i);
    }
    optProxy[0]->setChecked(true);
    txtProxy =
        place(new QLineEdit(QStringLiteral("proxy:port"), f), "txtProxy", 960, 960, 1335, 285);
    txtProxy->setEnabled(false);
    lblSpeicherort =
        place(new QLabel(QStringLiteral("Speicherort:"), f), "lblSpeicherort", 2640, 240, 855, 255);
    txtSpeicherOrt = place(new QLineEdit(f), "txtSpeicherOrt", 3600, 210, 2775, 285);
    lblDateiPrefix = place(new QLabel(QStringLiteral("Datei-Prefix:"), f), "lblDateiPrefix", 2640,
                           540, 855, 255);
    txtDateiprefix = place(new QLineEdit(f), "txtDateiprefix", 3600, 540, 2775, 285);
    lblReferer =
        place(new QLabel(QStringLiteral("Referer-URL:"), f), "lblReferer", 2580, 960, 975, 255);
    txtReferer = place(new QLineEdit(QStringLiteral("http://www.example.com/"), f), "txtReferer",
                       3600, 960, 2775, 285);
    cmdDownload =
        place(new QPushButton(QStringLiteral("Download"), f), "cmdDownload", 3960, 1320, 1095, 375);
    cmdAbbruch =
        place(new QPushButton(QStringLiteral("Abbruch"), f), "cmdAbbruch", 5280, 1320, 1095, 375);
    cmdAbbruch->setEnabled(false);
    for (QLabel *label : {lblProxy, lblSpeicherort, lblDateiPrefix, lblReferer})
        label->setFocusPolicy(Qt::NoFocus);
    // This face runs a pixel or two wider than the one the layout was measured
    // with; a label may use the gap to its field rather than lose its colon.
    for (QLabel *label : {lblSpeicherort, lblDateiPrefix, lblReferer}) {
        const int spare = twipsToPixels(3600) - label->geometry().right() - 2;
        const int needed = label->sizeHint().width() - label->width();
        if (needed > 0)
            label->resize(label->width() + qMin(needed, spare), label->height());
    }
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

void frmMain::setTabOrder()
{
    // Only the controls that can take the focus, in their designed order.
    const QList<QWidget *> order{txtVorschau,
                                 cmdDownload,
                                 optProxy[0],
                                 optProxy[1],
                                 optProxy[2],
                                 txtProxy,
                                 cmdVorschauAktualisieren,
                                 cmdAbbruch,
                                 txtPlatzhalter,
                                 cboErsatzText,
                                 txtURL,
                                 txtDateiprefix,
                                 txtSpeicherOrt,
                                 txtReferer};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    txtVorschau->setFocus();
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
    m_storedLeft = readPosition(QStringLiteral("MainLeft"));
    m_storedTop = readPosition(QStringLiteral("MainTop"));
    const int left = twipsToPixels(m_storedLeft.twips);
    const int top = twipsToPixels(m_storedTop.twips);
    const QRect wanted(QPoint(left, top), frameGeometry().size());
    bool reachable = false;
    for (const QScreen *screen : QGuiApplication::screens())
        reachable = reachable || screen->geometry().intersects(wanted);
    // A window outside every screen could never be reached again.
    if (!reachable && !QGuiApplication::screens().isEmpty()) {
        m_storedLeft = m_storedTop = {kDefaultPosition, QStringLiteral("1000")};
        move(twipsToPixels(kDefaultPosition), twipsToPixels(kDefaultPosition));
    } else {
        move(left, top);
    }
    m_restoredAt = pos();
}

QString frmMain::positionToStore(int pixels, int restored, const StoredPosition &stored) const
{
    // Whole pixels cannot hold every twips value; an unmoved edge keeps its text.
    return pixels == restored ? stored.text : positionText(pixels);
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
    const QList<QPointer<QWidget>> forms = loadedForms();
    for (qsizetype i = forms.size() - 1; i >= 1; --i) {
        if (forms[i])
            forms[i]->close();
    }
    if (!isMinimized()) {
        SaveSetting(applicationTitle(), kSection, QStringLiteral("MainLeft"),
                    positionToStore(x(), m_restoredAt.x(), m_storedLeft));
        SaveSetting(applicationTitle(), kSection, QStringLiteral("MainTop"),
                    positionToStore(y(), m_restoredAt.y(), m_storedTop));
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

// The window as the download batch sees it.
class FormBatchView final : public BatchView
{
public:
    explicit FormBatchView(frmMain &form) : m_form(form) {}
    QString referer() const override { return m_form.txtReferer->text(); }
    QString targetFolder() const override { return m_form.txtSpeicherOrt->text(); }
    QString defaultTargetFolder() const override { return ::defaultTargetFolder(); }
    QString filePrefix() const override { return m_form.txtDateiprefix->text(); }
    void setStatusText(const QString &text) override { m_form.setStatusPanelText(1, text); }
    // Closing the window stops the batch like "Abbruch".
    bool cancelRequested() const override { return m_form.blnAbbruch || m_form.m_unloaded; }
    void cancelActedOn() override { m_form.blnAbbruch = false; }
    Answer showMessage(const Message &message) override { return MsgBox(message); }
    void setBusy(bool busy) override
    {
        setScreenMousePointer(busy ? Pointer::Hourglass : Pointer::Default);
    }
    void fileStarted(int index, int count, const QString &) override
    {
        m_form.prgBatch->fileStarted(index, count);
    }
    void fileFinished(int, int, const QString &url, FileEnd end) override
    {
        if (end == FileEnd::Skipped)
            m_skipped << url;
    }
    const QStringList &skipped() const { return m_skipped; }

private:
    frmMain &m_form;
    QStringList m_skipped;
};

void frmMain::cmdDownload_Click()
{
    if (m_downloading || m_unloaded)
        return;
    FormBatchView view(*this);
    // The wrapper reports through the view, so it must not outlive it.
    const auto release = qScopeGuard([this] { objInet.reset(); });
    makeInet(view);
    if (!refreshPreview() || !confirmNameCollisions())
        return;
    runBatch(view, Dateiliste);
}

void frmMain::makeInet(FormBatchView &view)
{
    objInet = std::make_unique<clsInet>(view);
    if (optProxy[0]->isChecked()) {
        objInet->InetAccessType = AccessType::System;
    } else if (optProxy[1]->isChecked()) {
        objInet->InetAccessType = AccessType::Direct;
    } else if (optProxy[2]->isChecked()) {
        objInet->InetAccessType = AccessType::NamedProxy;
        // The proxy the user was asked to type; read once, like the access type.
        objInet->InetProxy = txtProxy->text();
    }
}

void frmMain::runBatch(FormBatchView &view, const QStringList &urls)
{
    SetDownloadMode(true);
    m_downloading = true;
    const int count = static_cast<int>(urls.size());
    // Its URLs belong to the result this batch replaces.
    if (m_failureList)
        m_failureList->close();
    prgBatch->batchStarted(count);
    connect(objInet.get(), &clsInet::Progress, prgBatch, &BatchProgress::fileBytes);
    const BatchOptions options = LoadBatchOptions();
    const DownloadBatch::Result result = DownloadBatch::run(*objInet, urls, view, options);
    m_downloading = false;
    objInet.reset();
    // A request that came too late for any poll belongs to this batch, not the next.
    blnAbbruch = false;
    SetDownloadMode(false);
    m_lastFailures = result.failures;
    m_lastSkipped = view.skipped();
    prgBatch->batchFinished(result, count, options.stopAfterFailures);
}

void frmMain::prgBatch_Click()
{
    if (!m_failureList) {
        m_failureList = new FailureList(m_lastFailures, m_lastSkipped, this);
        // Queued, so the batch does not run inside the list's own click.
        connect(m_failureList, &FailureList::retryRequested, this, &frmMain::retryFailed,
                Qt::QueuedConnection);
    }
    m_failureList->show();
    m_failureList->raise();
    m_failureList->activateWindow();
}

void frmMain::retryFailed(const QStringList &urls)
{
    if (m_downloading || m_unloaded || urls.isEmpty())
        return;
    FormBatchView view(*this);
    const auto release = qScopeGuard([this] { objInet.reset(); });
    makeInet(view);
    runBatch(view, urls);
}

bool frmMain::confirmNameCollisions()
{
    const NameCollision collision = FirstNameCollision(Dateiliste, txtDateiprefix->text());
    if (collision.count == 0)
        return true;
    return MsgBox(nameCollisionQuestion(collision.count, collision.fileName)) == Answer::Yes;
}

void frmMain::cmdAbbruch_Click()
{
    blnAbbruch = true;
}

void frmMain::SetDownloadMode(bool downloading)
{
    cmdDownload->setEnabled(!downloading);
    cmdAbbruch->setEnabled(downloading);
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

void frmMain::connectCommands()
{
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(mnuEditCut, &QAction::triggered, this, &frmMain::mnuEditCut_Click);
    connect(mnuEditCopy, &QAction::triggered, this, &frmMain::mnuEditCopy_Click);
    connect(mnuEditPaste, &QAction::triggered, this, &frmMain::mnuEditPaste_Click);
    connect(mnuEditSettings, &QAction::triggered, this, &frmMain::mnuEditSettings_Click);
    connect(mnuViewToolbar, &QAction::triggered, this, &frmMain::mnuViewToolbar_Click);
    connect(mnuViewStatusBar, &QAction::triggered, this, &frmMain::mnuViewStatusBar_Click);
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
    connect(mnuHelpSearchForHelpOn, &QAction::triggered, this,
            &frmMain::mnuHelpSearchForHelpOn_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
    connect(tbToolBar, &QToolBar::actionTriggered, this,
            [this](QAction *button) { tbToolBar_ButtonClick(button->data().toString()); });
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
    auto *dialog = new SettingsDialog(LoadBatchOptions(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Read again at the start of every batch, so a running one keeps its options.
    connect(dialog, &QDialog::accepted, this, [dialog] { SaveBatchOptions(dialog->options()); });
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
