#include "transtbwrapper.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QResizeEvent>
#include <QToolBar>
#include <QVariant>

bool TransTBWrapper::s_resizing = false;

namespace {
const char* const kStyleProperty = "qmtToolbarStyle";
const char* const kCoolBarProperty = "qmtCoolBarOrientation";
} // namespace

TransTBWrapper::TransTBWrapper(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

TransTBWrapper::~TransTBWrapper() = default;

quint32 TransTBWrapper::computeStyle(quint32 saved, bool listStyle, bool transparent) {
    quint32 style = saved | CCS_NORESIZE | CCS_NODIVIDER;
    if (listStyle)
        style |= TBSTYLE_LIST;
    if (transparent)
        style |= TBSTYLE_FLAT | TBSTYLE_TRANSPARENT;
    return style;
}

int TransTBWrapper::bandExtent(int buttonExtent, int firstButtonOffset, bool transparent) {
    return transparent ? buttonExtent : buttonExtent + 2 * firstButtonOffset;
}

quint32 TransTBWrapper::toolbarStyle(const QToolBar* toolbar) {
    return toolbar->property(kStyleProperty).toUInt();
}

void TransTBWrapper::setToolbarStyle(QToolBar* toolbar, quint32 style) {
    toolbar->setProperty(kStyleProperty, style);
    toolbar->setToolButtonStyle((style & TBSTYLE_LIST) ? Qt::ToolButtonTextBesideIcon
                                                       : Qt::ToolButtonIconOnly);
    // Transparent: no frame, no background of its own and no padding, so the
    // buttons start at the strip's edge and the band shows through.
    if (style & TBSTYLE_TRANSPARENT)
        toolbar->setStyleSheet(QStringLiteral(
            "QToolBar { background: transparent; border: none; padding: 0px; margin: 0px; }"));
    else if (style & CCS_NODIVIDER)
        toolbar->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
    else
        toolbar->setStyleSheet(QString());
    toolbar->setAutoFillBackground(!(style & TBSTYLE_TRANSPARENT));
}

void TransTBWrapper::markCoolBar(QWidget* container, Qt::Orientation orientation) {
    container->setProperty(kCoolBarProperty, static_cast<int>(orientation));
}

void TransTBWrapper::setToolbar(QToolBar* toolbar) {
    if (m_toolbar) {
        QToolBar* old = m_toolbar;
        setToolbarStyle(old, m_savedStyle);
        ++m_styleMessages;
        layout()->removeWidget(old);
        // Back where it came from; it stays hidden there.
        old->hide();
        old->setParent(m_toolbarHome);
        refreshPictures();
    }
    m_toolbar = toolbar;
    m_toolbarHome = nullptr;
    if (!toolbar) {
        adjustBand();
        return;
    }
    m_toolbarHome = toolbar->parentWidget();
    toolbar->hide();
    m_savedStyle = toolbarStyle(toolbar);
    toolbar->setParent(this);
    layout()->addWidget(toolbar);
    toolbar->show();
    applyStyle();
}

void TransTBWrapper::setListStyle(bool value) {
    if (value == m_listStyle)
        return;
    m_listStyle = value;
    applyStyle();
}

void TransTBWrapper::setTransparent(bool value) {
    if (value == m_transparent)
        return;
    m_transparent = value;
    applyStyle();
}

QWidget* TransTBWrapper::hWnd() const {
    return m_toolbar ? static_cast<QWidget*>(m_toolbar.data()) : const_cast<TransTBWrapper*>(this);
}

void TransTBWrapper::readProperties(const QVariantMap& bag) {
    setListStyle(bag.value(QStringLiteral("ListStyle"), false).toBool());
    setTransparent(bag.value(QStringLiteral("Transparent"), false).toBool());
}

QVariantMap TransTBWrapper::writeProperties() const {
    return {{QStringLiteral("ListStyle"), m_listStyle},
            {QStringLiteral("Transparent"), m_transparent}};
}

void TransTBWrapper::applyStyle() {
    if (!m_toolbar)
        return;
    const quint32 style = computeStyle(m_savedStyle, m_listStyle, m_transparent);
    if (style != toolbarStyle(m_toolbar)) {
        setToolbarStyle(m_toolbar, style);
        ++m_styleMessages;
        refreshPictures();
    }
    adjustBand();
}

void TransTBWrapper::refreshPictures() {
    if (!m_toolbar || m_toolbar->actions().isEmpty())
        return;
    QAction* first = m_toolbar->actions().constFirst();
    first->setIcon(first->icon()); // makes the strip redraw its pictures
    ++m_pictureRefreshes;
}

QWidget* TransTBWrapper::coolBar() const {
    QWidget* container = parentWidget();
    if (!container || !container->property(kCoolBarProperty).isValid())
        return nullptr;
    return container;
}

int TransTBWrapper::extent() const {
    QWidget* bar = coolBar();
    if (!m_toolbar || !bar)
        return 0;
    const bool horizontal = bar->property(kCoolBarProperty).toInt() == Qt::Horizontal;
    QWidget* first = nullptr;
    for (QAction* action : m_toolbar->actions()) {
        if (!action->isSeparator()) {
            first = m_toolbar->widgetForAction(action);
            break;
        }
    }
    m_toolbar->ensurePolished();
    const QMargins margins =
        m_toolbar->layout() ? m_toolbar->layout()->contentsMargins() : QMargins();
    const QSize button = first ? first->sizeHint() : m_toolbar->iconSize();
    return horizontal ? bandExtent(button.height(), margins.top(), m_transparent)
                      : bandExtent(button.width(), margins.left(), m_transparent);
}

void TransTBWrapper::adjustBand() {
    QWidget* bar = coolBar();
    if (!bar || !bar->layout() || bar->layout()->indexOf(this) < 0)
        return;
    ++m_bandAdjustments;
    if (m_toolbar) {
        const int size = extent();
        const bool horizontal = bar->property(kCoolBarProperty).toInt() == Qt::Horizontal;
        s_resizing = true;
        if (horizontal)
            setFixedHeight(size);
        else
            setFixedWidth(size);
        s_resizing = false;
    }
    bar->updateGeometry();
    bar->update();
}

void TransTBWrapper::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (s_resizing || !m_toolbar || !coolBar())
        return;
    const int size = extent();
    const bool horizontal = coolBar()->property(kCoolBarProperty).toInt() == Qt::Horizontal;
    if ((horizontal ? height() : width()) == size)
        return;
    s_resizing = true;
    if (horizontal)
        setFixedHeight(size);
    else
        setFixedWidth(size);
    s_resizing = false;
}
