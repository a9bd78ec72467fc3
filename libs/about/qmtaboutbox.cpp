#include "qmtaboutbox.h"

#include "aboutstrings.h"
#include "codepage/ansi.h"
#include "shell/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <array>

using qmtabout::LoadResString;
namespace str = qmtabout::str;

namespace {

QPointer<QMTAboutBox> g_window;

QFrame* separatorLine(QWidget* parent, const char* name) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

bool startProgram(const QString& path) {
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

} // namespace

QMTAboutBox* QMTAboutBox::instance(bool load) {
    if (!g_window && load) {
        g_window = new QMTAboutBox;
        // Nothing else owns the window: it goes when the program quits.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window.data(),
                         [w = g_window.data()] { delete w; });
    }
    return g_window.data();
}

QMTAboutBox::QMTAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("QMTAboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);

    picIcon = label(this, "picIcon");
    picIcon->setPixmap(QPixmap(QStringLiteral(":/qmtabout/quillmate.png")));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    lblTitle = label(this, "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lbledition = label(this, "lbledition");
    lblVersion = label(this, "lblVersion");
    lblcopyright = label(this, "lblcopyright");
    lblcopyright2 = label(this, "lblcopyright2");
    lblwarning = label(this, "lblwarning");
    lblwarning->setWordWrap(true);
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lbledition);
    text->addWidget(lblVersion);
    text->addWidget(separatorLine(this, "Line1"));
    text->addWidget(lblcopyright);
    text->addWidget(lblcopyright2);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0);
    grid->addLayout(text, 0, 1);
    grid->addWidget(separatorLine(this, "Line2"), 1, 0, 1, 3);
    grid->addWidget(lblwarning, 2, 0, 1, 2);
    grid->addLayout(buttons, 2, 2);
    grid->addWidget(separatorLine(this, "Line3"), 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    lblwarning->setMinimumWidth(360);

    connect(cmdOK, &QPushButton::clicked, this, &QMTAboutBox::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &QMTAboutBox::StartSysInfo);

    Form_Load();
}

void QMTAboutBox::Form_Load() {
    setWindowTitle(LoadResString(str::WindowTitle));
    cmdOK->setText(LoadResString(str::Ok));
    cmdSysInfo->setText(LoadResString(str::SystemInfo));
    lbledition->setText(LoadResString(str::Edition));
    lblTitle->setText(LoadResString(str::Title));

    const QString copyright = QStringLiteral("\u00a9");
    lblcopyright->setText(LoadResString(str::CopyrightStart) + copyright +
                          LoadResString(str::CopyrightEnd));
    lblcopyright2->setText(LoadResString(str::Names));
    // Two line breaks between the notice and the terms.
    lblwarning->setText(LoadResString(str::NoticeStart) + copyright +
                        LoadResString(str::NoticeEnd) + QStringLiteral("\n\n") +
                        LoadResString(str::Licence));

    adjustSize();
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

void QMTAboutBox::setMajor_Version(const QString& value) {
    Major_Version = value;
    update();
}

void QMTAboutBox::setMinor_Version(const QString& value) {
    Minor_Version = value;
    update();
}

void QMTAboutBox::setRelease_Version(const QString& value) {
    Release_Version = value;
    update();
}

void QMTAboutBox::paintEvent(QPaintEvent* event) {
    // The Version string ends in a blank and one more follows: "Version  1.0.0".
    lblVersion->setText(LoadResString(str::Version) + QLatin1Char(' ') + Major_Version +
                        QLatin1Char('.') + Minor_Version + QLatin1Char('.') + Release_Version);
    QDialog::paintEvent(event);
}

void QMTAboutBox::cmdOK_Click() {
    close();
}

void QMTAboutBox::StartSysInfo() {
    bool started = false;
    try {
        QString path;
        if (GetKeyValue(winreg::HKEY_LOCAL_MACHINE, LoadResString(str::SystemInfoKey),
                        LoadResString(str::SystemInfoPathValue), path)) {
            started = startProgram(path);
        } else if (GetKeyValue(winreg::HKEY_LOCAL_MACHINE,
                               LoadResString(str::SharedToolsLocationKey),
                               LoadResString(str::SharedToolsLocationValue), path)) {
            // The registered folder and the program's name, with our separators.
            path += LoadResString(str::SystemInfoProgram);
            path.replace(QLatin1Char('\\'), QLatin1Char('/'));
            if (QFileInfo(path).isFile())
                started = startProgram(path);
        }
    } catch (...) {
        started = false;
    }
    if (!started)
        shell::MsgBox(LoadResString(str::SystemInfoUnavailable), shell::vbOKOnly);
}

bool QMTAboutBox::GetKeyValue(winreg::HKEY KeyRoot, const QString& KeyName,
                              const QString& SubKeyRef, QString& KeyVal) {
    using namespace winreg;
    KeyVal.clear();
    HKEY hKey = 0;
    const QByteArray keyName = ansi::fromUnicode(KeyName);
    if (RegOpenKeyExA(KeyRoot, keyName.constData(), 0, 0x2003F, &hKey) != ERROR_SUCCESS)
        return false;

    std::array<BYTE, 1024> data{};
    DWORD size = data.size();
    DWORD type = REG_NONE;
    const QByteArray valueName = ansi::fromUnicode(SubKeyRef);
    const LONG rc =
        RegQueryValueExA(hKey, valueName.constData(), nullptr, &type, data.data(), &size);
    RegCloseKey(hKey);
    // Only text values are read: anything else is no path to a program.
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;

    qsizetype length = qMin<qsizetype>(size, data.size());
    if (length > 0 && data[length - 1] == 0)
        --length;
    KeyVal = ansi::toUnicode(reinterpret_cast<const char*>(data.data()), length);
    return true;
}
