#pragma once

#include <QDialog>

class QIcon;
#include <QString>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// The about dialog: title, version, notices, and a button that starts the
// system's information tool found through the registry.
class frmAbout final : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner = nullptr);
    ~frmAbout() override;

    // Opens a fresh dialog modally over owner and deletes it once closed.
    static void showModal(QWidget *owner);

    // Reads one registry value as text into KeyVal. False (KeyVal emptied) when
    // the key or the value is missing or does not fit 1024 bytes. Throws
    // std::runtime_error when the value fills the buffer without a zero.
    static bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                            QString &KeyVal);
    void StartSysInfo();

    // Starts a program without waiting; true when it started. Replaceable so
    // that tests see what would be started.
    using ProgramStarter = std::function<bool(const QString &program)>;
    static ProgramStarter setProgramStarter(ProgramStarter starter);

    void setVisible(bool visible) override;
    void done(int result) override;

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QFrame *Line1_0 = nullptr;
    QFrame *Line1_1 = nullptr;

public Q_SLOTS:
    void Form_Load();
    void Form_Unload();
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    void createControls(const QIcon &icon);
    void layOutControls();

    bool m_loaded = false;
};
