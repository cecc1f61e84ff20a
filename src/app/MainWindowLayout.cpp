#include "app/MainWindowLayout.h"

#include "app/ImageList.h"
#include "app/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>
#include <vector>

namespace {
// One item of a menu; a separator has no handler and no member.
struct MenuItem
{
    const char *name;
    const char *caption;
    const char *shortcut;
    QAction *frmMain::*member;
    void (frmMain::*handler)();
};

struct Menu
{
    const char *name;
    const char *caption;
    std::vector<MenuItem> items;
};

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(frmMain::twipsToPixels(left), frmMain::twipsToPixels(top),
                 frmMain::twipsToPixels(width), frmMain::twipsToPixels(height));
}

// Where a control sits in its container, in twips, as the window was designed.
struct Placement
{
    QWidget *control;
    const char *name;
    int left, top, width, height;
};

void buildDateiliste(frmMain &w, QWidget *client)
{
    w.fraDateiliste = new QGroupBox(QStringLiteral("Dateiliste erzeugen"), client);
    QWidget *f = w.fraDateiliste;
    w.lblURL = new QLabel(QStringLiteral("URL:"), f);
    w.txtURL = new QLineEdit(QStringLiteral("http://www.example.com/images/image§.jpg"), f);
    w.lblErsetze = new QLabel(QStringLiteral("Ersetze"), f);
    w.txtPlatzhalter = new QLineEdit(QStringLiteral("§"), f);
    w.lblMit = new QLabel(QStringLiteral("mit"), f);
    w.cboErsatzText = new QComboBox(f);
    w.cboErsatzText->setEditable(true);
    w.cboErsatzText->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would silently turn "01;02;03" into the offered twenty items.
    w.cboErsatzText->setCompleter(nullptr);
    w.lblVorschau = new QLabel(QStringLiteral("Vorschau:"), f);
    w.txtVorschau = new QPlainTextEdit(f);
    w.txtVorschau->setReadOnly(true);
    w.txtVorschau->setLineWrapMode(QPlainTextEdit::NoWrap);
    w.txtVorschau->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w.txtVorschau->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w.txtVorschau->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
    QPalette buttonFace = w.txtVorschau->palette();
    buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
    w.txtVorschau->setPalette(buttonFace);
    w.cmdVorschauAktualisieren = new QPushButton(QStringLiteral("refresh"), f);
}

void buildDownload(frmMain &w, QWidget *client)
{
    w.fraDownload = new QGroupBox(QStringLiteral("Download"), client);
    QWidget *f = w.fraDownload;
    w.lblProxy = new QLabel(QStringLiteral("Proxy:"), f);
    const QString captions[] = {QStringLiteral("Standard"), QStringLiteral("Direktverbindung"),
                                QStringLiteral("Benutzerdefiniert")};
    for (int i = 0; i < 3; ++i) {
        w.optProxy[i] = new QRadioButton(captions[i], f);
        w.optProxy[i]->setProperty("Tag", QString::number(101 + i));
        w.optProxy[i]->setProperty("Index", i);
    }
    w.optProxy[0]->setChecked(true);
    w.txtProxy = new QLineEdit(QStringLiteral("proxy:port"), f);
    w.txtProxy->setEnabled(false);
    w.lblSpeicherort = new QLabel(QStringLiteral("Speicherort:"), f);
    w.txtSpeicherOrt = new QLineEdit(f);
    w.cmdSpeicherOrt = new QToolButton(w.txtSpeicherOrt);
    w.cmdSpeicherOrt->setText(QStringLiteral("…"));
    w.cmdSpeicherOrt->setToolTip(QStringLiteral("Zielordner wählen"));
    w.cmdSpeicherOrt->setAccessibleName(QStringLiteral("Zielordner wählen"));
    w.cmdSpeicherOrt->setCursor(Qt::ArrowCursor);
    // Keyboard users have "Zielordner wählen..." under Datei; the designed tab order stays.
    w.cmdSpeicherOrt->setFocusPolicy(Qt::NoFocus);
    w.lblDateiPrefix = new QLabel(QStringLiteral("Datei-Prefix:"), f);
    w.txtDateiprefix = new QLineEdit(f);
    w.lblReferer = new QLabel(QStringLiteral("Referer-URL:"), f);
    w.txtReferer = new QLineEdit(QStringLiteral("http://www.example.com/"), f);
    w.cmdDownload = new QPushButton(QStringLiteral("Download"), f);
    w.cmdAbbruch = new QPushButton(QStringLiteral("Abbruch"), f);
    w.cmdAbbruch->setEnabled(false);
}

void placeControls(frmMain &w)
{
    const Placement placements[] = {
        {w.fraDateiliste, "fraDateiliste", 120, 480, 6735, 3495},
        {w.lblURL, "lblURL", 120, 240, 735, 255},
        {w.txtURL, "txtURL", 960, 210, 5655, 285},
        {w.lblErsetze, "lblErsetze", 240, 630, 615, 255},
        {w.txtPlatzhalter, "txtPlatzhalter", 960, 615, 975, 285},
        {w.lblMit, "lblMit", 2040, 630, 615, 255},
        {w.cboErsatzText, "cboErsatzText", 2400, 600, 4215, 315},
        {w.lblVorschau, "lblVorschau", 120, 1080, 735, 255},
        {w.txtVorschau, "txtVorschau", 960, 1080, 5655, 2235},
        {w.cmdVorschauAktualisieren, "cmdVorschauAktualisieren", 120, 1440, 735, 375},
        {w.fraDownload, "fraDownload", 120, 4080, 6735, 1815},
        {w.lblProxy, "lblProxy", 120, 240, 495, 255},
        {w.optProxy[0], "optProxy0", 720, 240, 1455, 255},
        {w.optProxy[1], "optProxy1", 720, 480, 1695, 255},
        {w.optProxy[2], "optProxy2", 720, 720, 1575, 255},
        {w.txtProxy, "txtProxy", 960, 960, 1335, 285},
        {w.lblSpeicherort, "lblSpeicherort", 2640, 240, 855, 255},
        {w.txtSpeicherOrt, "txtSpeicherOrt", 3600, 210, 2775, 285},
        {w.lblDateiPrefix, "lblDateiPrefix", 2640, 540, 855, 255},
        {w.txtDateiprefix, "txtDateiprefix", 3600, 540, 2775, 285},
        {w.lblReferer, "lblReferer", 2580, 960, 975, 255},
        {w.txtReferer, "txtReferer", 3600, 960, 2775, 285},
        {w.cmdDownload, "cmdDownload", 3960, 1320, 1095, 375},
        {w.cmdAbbruch, "cmdAbbruch", 5280, 1320, 1095, 375},
    };
    for (const Placement &p : placements) {
        p.control->setObjectName(QLatin1String(p.name));
        p.control->setGeometry(twipsRect(p.left, p.top, p.width, p.height));
        // Labels only name their fields.
        if (qobject_cast<QLabel *>(p.control))
            p.control->setFocusPolicy(Qt::NoFocus);
    }
    // The chooser sits in the field's frame, at its right end; the text stops short of it.
    const int side = w.txtSpeicherOrt->height() - 2;
    w.cmdSpeicherOrt->setObjectName(QStringLiteral("cmdSpeicherOrt"));
    w.cmdSpeicherOrt->setGeometry(w.txtSpeicherOrt->width() - side - 1, 1, side, side);
    w.txtSpeicherOrt->setTextMargins(0, 0, side, 0);
    // This face runs a pixel or two wider than the one the layout was measured
    // with; a label may use the gap to its field rather than lose its colon.
    for (QLabel *label : {w.lblSpeicherort, w.lblDateiPrefix, w.lblReferer}) {
        const int spare = frmMain::twipsToPixels(3600) - label->geometry().right() - 2;
        const int needed = label->sizeHint().width() - label->width();
        if (needed > 0)
            label->resize(label->width() + qMin(needed, spare), label->height());
    }
}

} // namespace

namespace MainWindowLayout {

void buildControls(frmMain &w, QWidget *client)
{
    buildDateiliste(w, client);
    buildDownload(w, client);
    placeControls(w);
}

void buildMenus(frmMain &w)
{
    using F = frmMain;
    const Menu menus[] = {
        {"mnuFile",
         "&Datei",
         {{"mnuFileNew", "&Neu", "Ctrl+N", &F::mnuFileNew, nullptr},
          {"mnuFileChooseFolder", "Zielordner &wählen...", "Ctrl+O", &F::mnuFileChooseFolder,
           &F::chooseTargetFolder},
          {"mnuFileOpenFolder", "Zielordner ö&ffnen", nullptr, &F::mnuFileOpenFolder,
           &F::openTargetFolder},
          {"mnuFileBar0", nullptr, nullptr, nullptr, nullptr},
          {"mnuFileExit", "&Beenden", nullptr, &F::mnuFileExit, &F::mnuFileExit_Click}}},
        {"mnuEdit",
         "&Bearbeiten",
         {{"mnuEditUndo", "&Rückgängig", "Ctrl+Z", &F::mnuEditUndo, nullptr},
          {"mnuEditBar0", nullptr, nullptr, nullptr, nullptr},
          {"mnuEditCut", "&Ausschneiden", "Ctrl+X", &F::mnuEditCut, &F::mnuEditCut_Click},
          {"mnuEditCopy", "&Kopieren", "Ctrl+C", &F::mnuEditCopy, &F::mnuEditCopy_Click},
          {"mnuEditPaste", "&Einfügen", "Ctrl+V", &F::mnuEditPaste, &F::mnuEditPaste_Click},
          {"mnuEditBar1", nullptr, nullptr, nullptr, nullptr},
          // "E" belongs to "Einfügen".
          {"mnuEditSettings", "Ein&stellungen...", nullptr, &F::mnuEditSettings,
           &F::mnuEditSettings_Click}}},
        {"mnuView",
         "&Ansicht",
         {{"mnuViewToolbar", "&Symbolleiste", nullptr, &F::mnuViewToolbar,
           &F::mnuViewToolbar_Click},
          {"mnuViewStatusBar", "Status&leiste", nullptr, &F::mnuViewStatusBar,
           &F::mnuViewStatusBar_Click}}},
        {"mnuHelp",
         "&Hilfe",
         {{"mnuHelpContents", "&Inhalt", nullptr, &F::mnuHelpContents, &F::mnuHelpContents_Click},
          {"mnuHelpSearchForHelpOn", "&Suchen in der Hilfe...", nullptr, &F::mnuHelpSearchForHelpOn,
           &F::mnuHelpSearchForHelpOn_Click},
          {"mnuHelpBar0", nullptr, nullptr, nullptr, nullptr},
          {"mnuHelpAbout", "In&fo", nullptr, &F::mnuHelpAbout, &F::mnuHelpAbout_Click}}},
    };
    for (const Menu &m : menus) {
        QMenu *menu = w.menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        for (const MenuItem &item : m.items) {
            if (!item.caption) {
                menu->addSeparator()->setObjectName(QLatin1String(item.name));
                continue;
            }
            QAction *action = menu->addAction(QString::fromUtf8(item.caption));
            action->setObjectName(QLatin1String(item.name));
            if (item.shortcut)
                action->setShortcut(QKeySequence(QLatin1String(item.shortcut)));
            w.*item.member = action;
            if (item.handler)
                QObject::connect(action, &QAction::triggered, &w, item.handler);
        }
    }
    w.mnuEditUndo->setEnabled(false);
    for (QAction *shown : {w.mnuViewToolbar, w.mnuViewStatusBar}) {
        shown->setCheckable(true);
        shown->setChecked(true);
    }
}

void buildToolbar(frmMain &w, const QRect &rect)
{
    w.imlToolbarIcons = new ImageList(&w);
    w.imlToolbarIcons->setObjectName(QStringLiteral("imlToolbarIcons"));
    const QStringList keys{QStringLiteral("New"), QStringLiteral("Cut"), QStringLiteral("Copy"),
                           QStringLiteral("Paste")};
    for (const QString &key : keys)
        w.imlToolbarIcons->add(key, QPixmap(QStringLiteral(":/toolbar/%1.png").arg(key.toLower())));

    // A child of the client area rather than a dock, so hiding it moves nothing.
    QToolBar *bar = w.tbToolBar = new QToolBar(w.centralWidget());
    bar->setObjectName(QStringLiteral("tbToolBar"));
    bar->setGeometry(rect);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const QStringList tips{QStringLiteral("Neu"), QStringLiteral("Ausschneiden"),
                           QStringLiteral("Kopieren"), QStringLiteral("Einfügen")};
    for (int i = 0; i < keys.size(); ++i) {
        QAction *button = bar->addAction(QIcon(w.imlToolbarIcons->image(keys[i])), QString());
        button->setObjectName(QStringLiteral("tbToolBar_") + keys[i]);
        button->setData(keys[i]);
        button->setToolTip(tips[i]);
        // The edit commands act on the focused field, so the buttons must not take it.
        if (QWidget *b = bar->widgetForAction(button))
            b->setFocusPolicy(Qt::NoFocus);
    }
    QObject::connect(bar, &QToolBar::actionTriggered, &w,
                     [&w](QAction *button) { w.tbToolBar_ButtonClick(button->data().toString()); });
}

void setTabOrder(frmMain &w)
{
    const QList<QWidget *> order{w.txtVorschau,
                                 w.cmdDownload,
                                 w.optProxy[0],
                                 w.optProxy[1],
                                 w.optProxy[2],
                                 w.txtProxy,
                                 w.cmdVorschauAktualisieren,
                                 w.cmdAbbruch,
                                 w.txtPlatzhalter,
                                 w.cboErsatzText,
                                 w.txtURL,
                                 w.txtDateiprefix,
                                 w.txtSpeicherOrt,
                                 w.txtReferer};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    w.txtVorschau->setFocus();
}

} // namespace MainWindowLayout
