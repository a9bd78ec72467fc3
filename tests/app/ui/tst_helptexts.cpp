// What's This texts: every control and command of the main window and of the
// editor explains itself, the texts name only controls that exist, and What's
// This mode shows a control's text when it is clicked.
#include "common/testenv.h"
#include "common/window.h"

#include "ui/frmtextedit.h"
#include "ui/frmwindowsize.h"
#include "ui/whatsthistexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QWhatsThis>
#include <QtTest>

namespace {

// A control the author works with: not one of the parts Qt builds inside a
// list, tab strip or toolbar.
bool isControl(const QWidget* widget) {
    if (widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_")))
        return false;
    const QObject* parent = widget->parent();
    if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QTabBar*>(parent) ||
        qobject_cast<const QToolBar*>(parent))
        return false;
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QTreeWidget*>(widget) ||
           qobject_cast<const QTabBar*>(widget) || qobject_cast<const QTabWidget*>(widget) ||
           qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QMenu*>(widget);
}

bool inMenuOrToolbar(const QAction* action) {
    for (const QObject* user : action->associatedObjects()) {
        if (qobject_cast<const QMenu*>(user) || qobject_cast<const QToolBar*>(user))
            return true;
    }
    return false;
}

// The names of what lacks a text in the window, and the faults of its table:
// names used twice, names of nothing.
QStringList faults(QWidget* window) {
    QStringList out;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (isControl(widget) && widget->whatsThis().isEmpty())
            out << widget->objectName();
        const auto* menu = qobject_cast<const QMenu*>(widget);
        if (menu && isControl(menu) && menu->menuAction()->whatsThis().isEmpty())
            out << menu->objectName() + QStringLiteral(" in the menu bar");
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label && label->buddy() && label->whatsThis() != label->buddy()->whatsThis())
            out << label->objectName() + QStringLiteral(" (the label of a field)");
    }
    for (const QAction* action : window->findChildren<QAction*>()) {
        if (!action->objectName().isEmpty() && !action->isSeparator() && inMenuOrToolbar(action) &&
            action->whatsThis().isEmpty())
            out << action->objectName();
    }
    // The button a toolbar shows for a command explains it too.
    for (const QToolBar* bar : window->findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            const QWidget* button = bar->widgetForAction(action);
            if (button && !action->isSeparator() && button->whatsThis() != action->whatsThis())
                out << action->objectName() + QStringLiteral(" (its toolbar button)");
        }
    }
    QSet<QString> seen;
    for (const ui::WhatsThisText& entry : ui::whatsThisTexts(window)) {
        const QString name = QString::fromUtf8(entry.name);
        if (seen.contains(name))
            out << name + QStringLiteral(" (twice in the texts)");
        seen.insert(name);
        if (!window->findChild<QObject*>(name))
            out << name + QStringLiteral(" (in the texts, not in the window)");
        if (QString::fromUtf8(entry.text).trimmed().isEmpty())
            out << name + QStringLiteral(" (an empty text)");
    }
    return out;
}

// The What's This window shown, if any.
QWidget* shownWhatsThis() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QWhatsThat") && top->isVisible())
            return top;
    }
    return nullptr;
}

} // namespace

class TestHelpTexts : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;

private slots:
    void cleanup() {
        QWhatsThis::leaveWhatsThisMode();
        QWhatsThis::hideText();
    }

    void everyControlAndCommandExplainsItself() {
        auto w = testenv::shownWindow();
        w->SetupToolbars(); // the toolbar in its band, as the program shows it
        QVERIFY(!ui::whatsThisTexts(w.get()).empty());
        const QStringList main = faults(w.get());
        QVERIFY2(main.isEmpty(), qPrintable(main.join(QStringLiteral(", "))));

        // The editor, opened from the main window, has texts of its own; the
        // main window's names do not reach into it.
        FrmTextEdit editor(w->txtgenhelptext, w.get());
        editor.show();
        QVERIFY(!ui::whatsThisTexts(&editor).empty());
        const QStringList edit = faults(&editor);
        QVERIFY2(edit.isEmpty(), qPrintable(edit.join(QStringLiteral(", "))));
        FrmWindowSize size(HelpWindowGeometry{}, w.get());
        QVERIFY(!ui::whatsThisTexts(&size).empty());
        const QStringList sizeFaults = faults(&size);
        QVERIFY2(sizeFaults.isEmpty(), qPrintable(sizeFaults.join(QStringLiteral(", "))));
        const QString cut = editor.toolbarButton(FrmTextEdit::BtnCut)->whatsThis();
        QVERIFY(cut != w->toolbarButtons[1]->whatsThis()); // both are Toolbar1_1
        ui::applyWhatsThisTexts(w.get());
        QCOMPARE(editor.toolbarButton(FrmTextEdit::BtnCut)->whatsThis(), cut);

        // Texts in the help author's terms; the idle buttons say so.
        QVERIFY(w->txtmapnumber->whatsThis().contains(QLatin1String("32767")));
        QVERIFY(w->lblmapnumber->whatsThis() == w->txtmapnumber->whatsThis());
        for (QObject* idle :
             std::initializer_list<QObject*>{editor.toolbarButton(FrmTextEdit::BtnAlignRight)})
            QVERIFY2(idle->property("whatsThis").toString().contains(QLatin1String("nothing")),
                     qPrintable(idle->objectName()));
    }

    void whatsThisModeShowsTheControlsText() {
        auto w = testenv::shownWindow();
        // A click on a control with a text shows it and ends the mode, from
        // the menu item and from the toolbar button alike.
        for (QAction* command : {w->mnuwhatsthis, w->toolbarButtons[10]}) {
            command->trigger();
            QVERIFY(QWhatsThis::inWhatsThisMode());
            QTest::mouseClick(w->txtmapnumber, Qt::LeftButton);
            QTRY_VERIFY(shownWhatsThis());
            QVERIFY(!QWhatsThis::inWhatsThisMode());
            QWhatsThis::hideText();
            QTRY_VERIFY(!shownWhatsThis());
        }
        // Without a text nothing is shown.
        w->txtmapnumber->setWhatsThis(QString());
        w->frmgenhelp->setWhatsThis(QString());
        w->mnuwhatsthis->trigger();
        QTest::mouseClick(w->txtmapnumber, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!shownWhatsThis());
    }
};

QTEST_MAIN(TestHelpTexts)
#include "tst_helptexts.moc"
