#pragma once

#include "download/DownloadBatch.h"

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <array>
#include <memory>

class BatchProgress;
class FailureList;
class FormBatchView;
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
class StatusPanel;
class clsInet;

// The main window. Controls are public so that the handlers of the other
// subsystems and the tests can reach them by their names.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    static constexpr int twipsPerPixel = 15;

    // A window edge as read from the settings: the value applied and its text.
    struct StoredPosition
    {
        float twips = 1000;
        QString text = QStringLiteral("1000");
    };
    static int twipsToPixels(double twips);

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
    QLabel *lblDateiPrefix = nullptr;
    QLineEdit *txtDateiprefix = nullptr;
    QLabel *lblReferer = nullptr;
    QLineEdit *txtReferer = nullptr;
    QPushButton *cmdDownload = nullptr;
    QPushButton *cmdAbbruch = nullptr;
    BatchProgress *prgBatch = nullptr; // beside the panel, from the first batch on

    QAction *mnuFileNew = nullptr;
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
    QStringList Dateiliste;           // URL k of the list is Dateiliste[k - 1]
    std::unique_ptr<clsInet> objInet; // set while a download batch runs
    bool blnAbbruch = false;          // cancel requested by "Abbruch"

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildDateiliste(QWidget *client);
    void buildDownload(QWidget *client);
    void buildStatusBar();
    void connectButtons();
    void connectCommands();
    void setTabOrder();
    void guardTextFields();
    void restorePosition();
    QString positionToStore(int pixels, int restored, const StoredPosition &stored) const;
    bool confirmNameCollisions();
    bool refreshPreview();
    void SetDownloadMode(bool downloading);
    void makeInet(FormBatchView &view);
    void runBatch(FormBatchView &view, const QStringList &urls);

    StatusPanel *m_statusPanel = nullptr;
    StoredPosition m_storedLeft;
    StoredPosition m_storedTop;
    QPoint m_restoredAt;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_downloading = false;
    // What the list of the last batch's failed and skipped URLs shows.
    QList<BatchFailure> m_lastFailures;
    QStringList m_lastSkipped;
    QPointer<FailureList> m_failureList;

    friend class FormBatchView;
};
