#include "splashscreen.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QPointer<splashscreen> g_window;

QLabel* label(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

splashscreen* splashscreen::instance(bool create) {
    if (!g_window && create) {
        g_window = new splashscreen;
        // A splash still up when the program quits gives the pointer back.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window.data(),
                         [w = g_window.data()] { w->unload(); });
    }
    return g_window.data();
}

splashscreen::splashscreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("splashscreen"));
    setAttribute(Qt::WA_DeleteOnClose);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Raised);

    imgLogo = label(Frame1, "imgLogo");
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/qmtsplash/quillmate.png")));
    imgLogo->setAlignment(Qt::AlignCenter);
    lblCompanyProduct = label(Frame1, "lblCompanyProduct", QStringLiteral("Korvane"));
    lblProductName = label(Frame1, "lblProductName", QStringLiteral("Quillmate"));
    QFont big = lblProductName->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    lblProductName->setFont(big);
    lblPlatform = label(Frame1, "lblPlatform", QStringLiteral("for Linux"));
    lblVersion = label(Frame1, "lblVersion");
    lblCompany = label(Frame1, "lblCompany");
    lblCopyright = label(Frame1, "lblCopyright");
    lblWarning = label(Frame1, "lblWarning");
    for (QLabel* l : {lblPlatform, lblVersion})
        l->setAlignment(Qt::AlignRight);

    auto* grid = new QGridLayout(Frame1);
    grid->setContentsMargins(24, 20, 24, 16);
    grid->addWidget(imgLogo, 0, 0, 4, 1);
    grid->addWidget(lblCompanyProduct, 0, 1);
    grid->addWidget(lblProductName, 1, 1);
    grid->addWidget(lblPlatform, 2, 1);
    grid->addWidget(lblVersion, 3, 1);
    grid->addWidget(lblWarning, 4, 0, 1, 2);
    grid->addWidget(lblCompany, 5, 0, 1, 2);
    grid->addWidget(lblCopyright, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Frame1);
}

void splashscreen::showSplash() {
    const bool loading = !m_loaded;
    if (loading)
        Form_Load();
    show();
    // Let the window paint once before the caller goes on with its start-up.
    if (loading)
        QCoreApplication::processEvents();
    raise();
}

void splashscreen::Form_Load() {
    m_loaded = true;
    HourGlass();
    lblVersion->setText(QStringLiteral("Version ") + VersionMajor + QLatin1Char('.') +
                        VersionMinor + QLatin1Char('.') + VersionRelease);
    // Free software: the notice must not claim the rights the licence grants away.
    lblCopyright->setText(QStringLiteral("Copyright \u00a9 Korvane. Free software under the GNU "
                                         "General Public License, version 3 or later."));
    lblCompany->setText(QStringLiteral("Korvane"));
    lblWarning->setText(QStringLiteral(" "));

    adjustSize();
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

void splashscreen::unload() {
    if (m_loaded)
        close();
}

void splashscreen::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QWidget::closeEvent(event);
}

void splashscreen::Form_Unload() {
    if (!m_loaded)
        return;
    m_loaded = false;
    HourGlass();
    if (g_window == this)
        g_window = nullptr;
}

void splashscreen::HourGlass() {
    if (m_busy) {
        QGuiApplication::restoreOverrideCursor();
        m_busy = false;
    } else {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = true;
    }
}
