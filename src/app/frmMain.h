#pragma once

#include "app/WindowPosition.h"
#include "download/TransferSettings.h"

#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <array>

class BatchController;
class BatchProgress;
class ImageList;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QToolBar;
class QToolButton;
class StatusPanel;

// The main window. Controls are public so that the handlers of the other
// subsystems and the tests can reach them by their names.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    static constexpr int twipsPerPixel = 15;
    static int twipsToPixels(double twips);
    // The folder offered before the user chose one; made when a batch needs it.
    static QString defaultTargetFolder();

    // Text of a status-bar panel, counted from 1; the bar has one panel.
    QString statusPanelText(int index) const;
    void setStatusPanelText(int index, const QString &text);

    // Controls, named as the rest of the program knows them.
    QToolBar *tbToolBar = nullptr;
    QStatusBar *sbStatusBar = nullptr;
    ImageList *imlToolbarIcons = nullptr;
    QGroupBox *fraDateiliste = nullptr;
    QLabel *lblURL = nullptr;
    QLineEdit *txtURL = nullptr;
    QLabel *lblErsetze = nullptr;
    QLineEdit *txtPlatzhalter = nullptr;
    QLabel *lblMit = nullptr;
    QComboBox *cboErsatzText = nullptr;
    QLabel *lblVorschau = nullptr;
    QPlainTextEdit *txtVorschau = nullptr;
    QPushButton *cmdVorschauAktualisieren = nullptr;
    QGroupBox *fraDownload = nullptr;
    QLabel *lblProxy = nullptr;
    std::array<QRadioButton *, 3> optProxy{};
    QLineEdit *txtProxy = nullptr;
    QLabel *lblSpeicherort = nullptr;
    QLineEdit *txtSpeicherOrt = nullptr;
    QToolButton *cmdSpeicherOrt = nullptr; // "…" inside txtSpeicherOrt: choose a folder
    QLabel *lblDateiPrefix = nullptr;
    QLineEdit *txtDateiprefix = nullptr;
    QLabel *lblReferer = nullptr;
    QLineEdit *txtReferer = nullptr;
    QPushButton *cmdDownload = nullptr;
    QPushButton *cmdAbbruch = nullptr;
    BatchProgress *prgBatch = nullptr; // beside the panel, from the first batch on

    QAction *mnuFileNew = nullptr;
    QAction *mnuFileChooseFolder = nullptr;
    QAction *mnuFileOpenFolder = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuEditUndo = nullptr;
    QAction *mnuEditCut = nullptr;
    QAction *mnuEditCopy = nullptr;
    QAction *mnuEditPaste = nullptr;
    QAction *mnuEditSettings = nullptr;
    QAction *mnuViewToolbar = nullptr;
    QAction *mnuViewStatusBar = nullptr;
    QAction *mnuHelpContents = nullptr;
    QAction *mnuHelpSearchForHelpOn = nullptr;
    QAction *mnuHelpAbout = nullptr;

    // Form-level state shared with the list and the download.
    QStringList Dateiliste; // URL k of the list is Dateiliste[k - 1]
    // Runs the download batch and keeps its result.
    BatchController *batch() const { return m_batch; }

    void setVisible(bool visible) override;

public Q_SLOTS:
    void Form_Load();
    void Form_Unload();
    void cmdVorschauAktualisieren_Click();
    void cmdDownload_Click();
    void cmdAbbruch_Click();
    void optProxy_Click(int Index);
    void mnuFileExit_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditSettings_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuHelpContents_Click();
    void mnuHelpSearchForHelpOn_Click();
    void mnuHelpAbout_Click();
    void tbToolBar_ButtonClick(const QString &Key);
    void prgBatch_Click();
    void retryFailed(const QStringList &urls);
    void chooseTargetFolder();
    void openTargetFolder();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildStatusBar();
    void connectButtons();
    void guardTextFields();
    void restorePosition();
    bool confirmSameUrls();
    bool refreshPreview();
    void SetDownloadMode(bool downloading);
    TransferSettings connection() const;
    void startBatch(const QStringList &urls, const TransferSettings &transfer);

    StatusPanel *m_statusPanel = nullptr;
    BatchController *m_batch = nullptr;
    StoredPosition m_storedLeft;
    StoredPosition m_storedTop;
    QPoint m_restoredAt;
    bool m_loaded = false;
    bool m_unloaded = false;
};
