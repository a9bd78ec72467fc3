// The toolbar wrapper: style word, saved style, band size rules, attach and detach.
#include "ui/transtbwrapper.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

QToolBar* toolbarWithButtons(QWidget* home, int count) {
    auto* toolbar = new QToolBar(home);
    toolbar->setIconSize(QSize(24, 24));
    for (int i = 0; i < count; ++i) {
        QPixmap pixmap(24, 24);
        pixmap.fill(Qt::red);
        toolbar->addAction(QIcon(pixmap), QStringLiteral("Button %1").arg(i + 1));
    }
    return toolbar;
}

// A horizontal cool bar holding a wrapper in its band.
struct CoolBarFixture {
    QWidget window;
    QWidget* coolBar = new QWidget(&window);
    TransTBWrapper* wrapper = new TransTBWrapper(coolBar);
    CoolBarFixture(Qt::Orientation orientation = Qt::Horizontal) {
        auto* band = orientation == Qt::Horizontal
                         ? static_cast<QBoxLayout*>(new QHBoxLayout(coolBar))
                         : new QVBoxLayout(coolBar);
        band->addWidget(wrapper);
        TransTBWrapper::markCoolBar(coolBar, orientation);
        window.resize(400, 300);
    }
};

int firstButtonHeight(QToolBar* toolbar) {
    return toolbar->widgetForAction(toolbar->actions().constFirst())->sizeHint().height();
}

} // namespace

class TestToolbarWrapper : public QObject {
    Q_OBJECT

private slots:
    void styleWordKeepsTheSavedBits() {
        QCOMPARE(TransTBWrapper::computeStyle(0, false, false), 0x44u);
        QCOMPARE(TransTBWrapper::computeStyle(0, true, false), 0x1044u);
        QCOMPARE(TransTBWrapper::computeStyle(0, false, true), 0x8844u);
        QCOMPARE(TransTBWrapper::computeStyle(0x12340001u, true, true), 0x12349845u);
    }

    void bandExtentAddsTheOffsetOnlyWhenOpaque() {
        QCOMPARE(TransTBWrapper::bandExtent(22, 3, true), 22);
        QCOMPARE(TransTBWrapper::bandExtent(22, 3, false), 28);
    }

    void attachingStylesTheToolbarAndHidesItAtHome() {
        CoolBarFixture f;
        QWidget home;
        QToolBar* toolbar = toolbarWithButtons(&home, 3);
        f.wrapper->setTransparent(true);
        f.wrapper->setListStyle(true);
        f.wrapper->setToolbar(toolbar);
        QCOMPARE(f.wrapper->Toolbar(), toolbar);
        QCOMPARE(f.wrapper->hWnd(), toolbar);
        QCOMPARE(f.wrapper->savedStyle(), 0u);
        QCOMPARE(TransTBWrapper::toolbarStyle(toolbar), 0x9844u);
        QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        QVERIFY(!toolbar->autoFillBackground());
        QCOMPARE(toolbar->parentWidget(), f.wrapper);
        QCOMPARE(f.wrapper->pictureRefreshes(), 1);

        f.wrapper->setListStyle(false);
        QCOMPARE(TransTBWrapper::toolbarStyle(toolbar), 0x8844u);
        QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }

    void settingAPropertyToItsValueDoesNothing() {
        CoolBarFixture f;
        QToolBar* toolbar = toolbarWithButtons(&f.window, 2);
        f.wrapper->setTransparent(true);
        f.wrapper->setToolbar(toolbar);
        const int messages = f.wrapper->styleMessages();
        const int adjustments = f.wrapper->bandAdjustments();
        f.wrapper->setTransparent(true);
        f.wrapper->setListStyle(false);
        QCOMPARE(f.wrapper->styleMessages(), messages);
        QCOMPARE(f.wrapper->bandAdjustments(), adjustments);
        f.wrapper->setTransparent(false);
        QCOMPARE(f.wrapper->styleMessages(), messages + 1);
        QCOMPARE(f.wrapper->bandAdjustments(), adjustments + 1);
    }

    void transparentHeightIsTheButtonHeightExactly() {
        CoolBarFixture f;
        QToolBar* toolbar = toolbarWithButtons(&f.window, 3);
        f.wrapper->setTransparent(true);
        f.wrapper->setToolbar(toolbar);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QCOMPARE(f.wrapper->height(), firstButtonHeight(toolbar));

        f.wrapper->setTransparent(false);
        const int offset = toolbar->layout()->contentsMargins().top();
        QVERIFY(offset > 0); // an opaque strip has a frame around its buttons
        QCOMPARE(f.wrapper->height(), firstButtonHeight(toolbar) + 2 * offset);
        // A resize by the band's layout does not undo the rule.
        f.wrapper->resize(f.wrapper->width(), 90);
        QCOMPARE(f.wrapper->height(), firstButtonHeight(toolbar) + 2 * offset);
    }

    void verticalCoolBarSizesTheWidth() {
        CoolBarFixture f(Qt::Vertical);
        QToolBar* toolbar = toolbarWithButtons(&f.window, 2);
        toolbar->setOrientation(Qt::Vertical);
        f.wrapper->setTransparent(true);
        f.wrapper->setToolbar(toolbar);
        QCOMPARE(f.wrapper->width(),
                 toolbar->widgetForAction(toolbar->actions().constFirst())->sizeHint().width());
    }

    void emptyToolbarGetsItsStyleWithoutPictureRefresh() {
        CoolBarFixture f;
        QToolBar* toolbar = toolbarWithButtons(&f.window, 0);
        f.wrapper->setTransparent(true);
        f.wrapper->setToolbar(toolbar);
        QCOMPARE(TransTBWrapper::toolbarStyle(toolbar), 0x8844u);
        QCOMPARE(f.wrapper->pictureRefreshes(), 0);
    }

    void outsideACoolBarTheSizeIsLeftAlone() {
        QWidget plain;
        auto* wrapper = new TransTBWrapper(&plain);
        wrapper->resize(200, 77);
        QToolBar* toolbar = toolbarWithButtons(&plain, 2);
        wrapper->setTransparent(true);
        wrapper->setToolbar(toolbar);
        QCOMPARE(TransTBWrapper::toolbarStyle(toolbar), 0x8844u);
        QCOMPARE(wrapper->bandAdjustments(), 0);
        QCOMPARE(wrapper->height(), 77);
    }

    void detachingRestoresTheSavedStyleAndKeepsTheToolbarHidden() {
        CoolBarFixture f;
        QWidget home;
        QToolBar* first = toolbarWithButtons(&home, 2);
        TransTBWrapper::setToolbarStyle(first, 0x10000u);
        f.wrapper->setTransparent(true);
        f.wrapper->setToolbar(first);
        QCOMPARE(f.wrapper->savedStyle(), 0x10000u);
        QCOMPARE(TransTBWrapper::toolbarStyle(first), 0x18844u);

        QToolBar* second = toolbarWithButtons(&home, 1);
        f.wrapper->setToolbar(second);
        QCOMPARE(TransTBWrapper::toolbarStyle(first), 0x10000u);
        QCOMPARE(first->parentWidget(), &home);
        QVERIFY(first->isHidden());
        QCOMPARE(f.wrapper->hWnd(), second);

        f.wrapper->setToolbar(nullptr);
        QVERIFY(!f.wrapper->Toolbar());
        QCOMPARE(f.wrapper->hWnd(), f.wrapper);
        QCOMPARE(second->parentWidget(), &home);
        QVERIFY(second->isHidden());
        QCOMPARE(TransTBWrapper::toolbarStyle(second), 0u);
    }

    void savedPropertiesDefaultToFalse() {
        TransTBWrapper wrapper;
        wrapper.readProperties({{QStringLiteral("Transparent"), true}});
        QVERIFY(wrapper.Transparent());
        QVERIFY(!wrapper.ListStyle());
        const QVariantMap bag = wrapper.writeProperties();
        QCOMPARE(bag.value(QStringLiteral("Transparent")).toBool(), true);
        QCOMPARE(bag.value(QStringLiteral("ListStyle")).toBool(), false);
        QCOMPARE(wrapper.property("Transparent").toBool(), true);
    }
};

QTEST_MAIN(TestToolbarWrapper)
#include "tst_toolbarwrapper.moc"
