#include "about/frmAbout.h"

#include "about/Registry.h"
#include "ui/LoadedForms.h"
#include "ui/MsgBox.h"
#include "version.h"

#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <stdexcept>

namespace {
// Designed texts; every opening starts again from these.
const QString kCaption = QStringLiteral("About ");
const QString kTitle = QStringLiteral("Application Title");
const QString kVersion = QStringLiteral("Version");

const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoValue = QStringLiteral("PATH");
const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kSysInfoLocationValue = QStringLiteral("MSINFO");
const QString kSysInfoProgram = QStringLiteral("MSINFO32.EXE");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// Read control plus query, set, create sub-key, enumerate, notify, create link.
constexpr quint32 kKeyAccess = 0x2003F;
// The value is read into a buffer of this size; longer values count as missing.
constexpr quint32 kValueBufferSize = 1024;

// The registry holds a folder of this platform, so it is joined the local way.
const QString kFolderSeparator = QStringLiteral("/");

bool startDetachedProgram(const QString &program)
{
    return QProcess::startDetached(program, QStringList());
}

frmAbout::ProgramStarter &programStarter()
{
    static frmAbout::ProgramStarter starter;
    return starter;
}

QString ownerCaption(const QWidget *owner)
{
    if (owner)
        return owner->window()->windowTitle();
    const QList<QPointer<QWidget>> forms = loadedForms();
    return forms.isEmpty() || !forms.first() ? QString() : forms.first()->windowTitle();
}

QFrame *etchedLine(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

frmAbout::frmAbout(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(kCaption);
    const QIcon icon(QStringLiteral(":/icons/magnet-32.png"));
    setWindowIcon(icon);
    createControls(icon);
    layOutControls();
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();
}

void frmAbout::createControls(const QIcon &icon)
{
    picIcon = named(new QLabel(this), "picIcon");
    picIcon->setFixedSize(32, 32);
    picIcon->setPixmap(icon.pixmap(32, 32));
    lblTitle = named(new QLabel(kTitle, this), "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);
    lblVersion = named(new QLabel(kVersion, this), "lblVersion");
    lblDescription =
        named(new QLabel(QStringLiteral("Copyright © 2026 Vornix Team"), this), "lblDescription");
    lblDisclaimer =
        named(new QLabel(QStringLiteral("Warnung: Dieses Programm ist urheberrechtlich geschützt. "
                                        "Wer es ganz oder teilweise ohne Erlaubnis vervielfältigt "
                                        "oder weitergibt, kann zivil- und strafrechtlich belangt "
                                        "werden."),
                         this),
              "lblDisclaimer");
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setFixedWidth(260);
    Line1_0 = etchedLine(this, "Line1_0");
    Line1_1 = etchedLine(this, "Line1_1");

    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdOK->setDefault(true);
    cmdSysInfo = named(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo");
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::layOutControls()
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(Line1_0, 2, 0, 1, 2);
    grid->addWidget(lblDescription, 3, 1);
    grid->addWidget(Line1_1, 4, 0, 1, 2);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1, Qt::AlignTop);
    bottom->addLayout(buttons);
    grid->addLayout(bottom, 5, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

frmAbout::~frmAbout()
{
    Form_Unload();
}

void frmAbout::showModal(QWidget *owner)
{
    QPointer<frmAbout> dialog = new frmAbout(owner);
    dialog->exec();
    delete dialog.data();
}

void frmAbout::setVisible(bool visible)
{
    // Texts first, so the dialog is sized and centred with them.
    if (visible && !m_loaded)
        Form_Load();
    QDialog::setVisible(visible);
}

void frmAbout::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void frmAbout::Form_Load()
{
    registerLoadedForm(this);
    m_loaded = true;
    setWindowTitle(kCaption + ownerCaption(parentWidget()));
    lblVersion->setText(QStringLiteral("Version ") + QString::number(VORNIX_VERSION_MAJOR) +
                        QLatin1Char('.') + QString::number(VORNIX_VERSION_MINOR) +
                        QLatin1Char('.') + QString::number(VORNIX_VERSION_PATCH));
    lblTitle->setText(applicationTitle());
}

void frmAbout::Form_Unload()
{
    if (!m_loaded)
        return;
    m_loaded = false;
    unregisterLoadedForm(this);
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

frmAbout::ProgramStarter frmAbout::setProgramStarter(ProgramStarter starter)
{
    ProgramStarter previous = std::move(programStarter());
    programStarter() = std::move(starter);
    return previous;
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                           QString &KeyVal)
{
    Registry::Key hKey = 0;
    if (Registry::openKey(KeyRoot, KeyName, kKeyAccess, &hKey) != Registry::Success) {
        KeyVal.clear();
        return false;
    }
    const auto closeKey = qScopeGuard([hKey] { Registry::closeKey(hKey); });

    QByteArray buffer(kValueBufferSize, '\0');
    quint32 type = 0;
    quint32 size = kValueBufferSize;
    if (Registry::queryValue(hKey, SubKeyRef, &type, buffer.data(), &size) != Registry::Success) {
        KeyVal.clear();
        return false;
    }
    // The reported size is not trusted; the text ends at its first zero.
    const qsizetype end = buffer.indexOf('\0');
    if (end < 0)
        throw std::runtime_error("registry value fills the buffer without an end");
    const QByteArray text = buffer.left(end);

    switch (type) {
    case Registry::TypeText:
        KeyVal = QString::fromLocal8Bit(text);
        break;
    case Registry::TypeDword: {
        // Bytes from the most significant down, each without leading zeros.
        QString digits = KeyVal;
        for (qsizetype i = text.size() - 1; i >= 0; --i)
            digits += QString::number(static_cast<uchar>(text.at(i)), 16).toUpper();
        bool ok = false;
        const qulonglong number = digits.toULongLong(&ok, 16);
        KeyVal = ok ? QString::number(number) : QStringLiteral("&h") + digits;
        break;
    }
    default:
        break;
    }
    return true;
}

void frmAbout::StartSysInfo()
{
    try {
        QString SysInfoPath;
        if (!GetKeyValue(Registry::HKeyLocalMachine, kSysInfoKey, kSysInfoValue, SysInfoPath)) {
            if (!GetKeyValue(Registry::HKeyLocalMachine, kSysInfoLocationKey, kSysInfoLocationValue,
                             SysInfoPath)) {
                MsgBox(kUnavailable);
                return;
            }
            const QString program = SysInfoPath + kFolderSeparator + kSysInfoProgram;
            if (!QFileInfo(program).isFile()) {
                MsgBox(kUnavailable);
                return;
            }
            SysInfoPath = program;
        }
        // Only the path from the second location is checked; the first is trusted.
        const ProgramStarter &start =
            programStarter() ? programStarter() : ProgramStarter(startDetachedProgram);
        if (SysInfoPath.isEmpty() || !start(SysInfoPath))
            MsgBox(kUnavailable);
    } catch (...) {
        MsgBox(kUnavailable);
    }
}
