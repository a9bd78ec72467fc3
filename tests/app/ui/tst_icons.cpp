// The window's own pictures: every SVG in the resources draws at every size, and
// the windows show them.
#include "common/testenv.h"
#include "ui/contentstree.h"
#include "ui/frmtextedit.h"
#include "ui/icons.h"

#include <QAction>
#include <QDirIterator>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QToolBar>

namespace {

bool hasInk(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

class TestIcons : public QObject {
    Q_OBJECT

private:
    testenv::RegistryFolder m_registry;

private slots:
    void everyPictureDrawsAtEverySize_data() {
        QTest::addColumn<QString>("name");
        QDirIterator it(QStringLiteral(":/icons"), {QStringLiteral("*.svg")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = it.next().mid(8).chopped(4); // ":/icons/" ... ".svg"
            QTest::newRow(qPrintable(name)) << name;
        }
        QVERIFY(QFile::exists(QStringLiteral(":/icons/toolbar/new.svg")));
    }

    void everyPictureDrawsAtEverySize() {
        QFETCH(QString, name);
        const QIcon icon = ui::picture(name);
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.cacheKey(), ui::picture(name).cacheKey()); // drawn once
        for (int size : {16, 24, 32, 48}) {
            for (qreal ratio : {1.0, 2.0}) {
                const QPixmap pixmap = icon.pixmap(QSize(size, size), ratio);
                QCOMPARE(pixmap.size(), QSize(size, size) * ratio);
                QVERIFY2(hasInk(pixmap), qPrintable(QStringLiteral("blank at %1").arg(size)));
            }
        }
        // Transparent around the drawing, so it sits on any background.
        const QImage image = icon.pixmap(32).toImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }

    void unknownNamesGiveNoPicture() {
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot open")));
        QVERIFY(ui::picture(QStringLiteral("toolbar/no-such-picture")).isNull());
        QVERIFY(ui::picture(QString()).isNull());
        const QIcon ours = ui::picture(QStringLiteral("toolbar/new"));
        QCOMPARE(ui::themedPicture("quillmate-no-such-theme-icon", QStringLiteral("toolbar/new"))
                     .cacheKey(),
                 ours.cacheKey());
    }

    void windowsShowThePictures() {
        QPlainTextEdit target;
        FrmTextEdit editor(&target);
        int buttons = 0;
        for (QAction* action : editor.findChild<QToolBar*>(QStringLiteral("Toolbar1"))->actions()) {
            if (action->isSeparator())
                continue;
            ++buttons;
            QVERIFY2(hasInk(action->icon().pixmap(16)), qPrintable(action->toolTip()));
        }
        QCOMPARE(buttons, 10);

        ContentsTree tree;
        for (int image : {1, 2, 3})
            QVERIFY(hasInk(tree.nodeIcon(image).pixmap(16)));
        QVERIFY(tree.nodeIcon(0).isNull());
        QVERIFY(tree.nodeIcon(4).isNull());
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
