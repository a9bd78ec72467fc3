// The Contents File tab of the main window, on a real project file.
#include "app/contents/contentstestutil.h"
#include "common/project.h"
#include "common/testenv.h"
#include "common/window.h"
#include "shell/dialogs.h"
#include "ui/contentstree.h"
#include "ui/frmmain.h"
#include "ui/tabs/contentsfiletab.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QtTest>

using contentstest::addRow;
using contentstest::rowTexts;

namespace {

// "title(child, child(...))" for the whole tree.
QString shape(const QTreeWidgetItem* item) {
    QString out = item->text(0);
    if (item->childCount() > 0) {
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children << shape(item->child(i));
        out += QLatin1Char('(') + children.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return out;
}

QString shape(const QTreeWidget* tree) {
    QStringList tops;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tops << shape(tree->topLevelItem(i));
    return tops.join(QStringLiteral(" | "));
}

} // namespace

class TestContentsTab : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    std::unique_ptr<testenv::Window> w;
    ContentsTree* tree = nullptr;
    testenv::DialogScript m_dialogs;
    QList<shell::MessageRequest>& m_messages = m_dialogs.messages;
    QList<int>& m_answers = m_dialogs.answers; // next answers of message boxes; OK when empty

    // A fresh project with the given rows, opened in a window on the Contents File tab.
    void openWithRows(const std::function<void(dao::Database&)>& rows = {}) {
        w = testenv::shownWindow();
        QVERIFY(w->DataBaseOpen(contentstest::freshProject(m_dir.path())));
        if (rows)
            rows(*w->session().db);
        showContentsTab();
        tree = w->findChild<ContentsTree*>(QStringLiteral("tvcontentsfileview"));
        QVERIFY(tree);
    }

    void showContentsTab() {
        w->tabqmt->setCurrentIndex(FrmMain::TabGeneralHelp - 1);
        w->tabqmt->setCurrentIndex(FrmMain::TabContentsFile - 1);
        QCOMPARE(w->SelectedTab(), int(FrmMain::TabContentsFile));
    }

    void add(bool heading, const QString& topicId, const QString& title) {
        QTest::mouseClick(heading ? w->optheading : w->opttopic, Qt::LeftButton);
        w->cbocftopicid->setEditText(topicId);
        w->txtcftitle->setText(title);
        QVERIFY2(w->cmdaddnode->isEnabled(), qPrintable(title));
        QTest::mouseClick(w->cmdaddnode, Qt::LeftButton);
    }

    QPoint at(const QString& key) {
        QTreeWidgetItem* node = tree->findNode(key);
        if (!node)
            return {};
        tree->scrollToItem(node);
        return tree->visualItemRect(node).center();
    }

    void press(const QString& key, Qt::MouseButton button = Qt::LeftButton) {
        const QPoint pos = at(key);
        QVERIFY2(!pos.isNull(), qPrintable(key));
        QTest::mousePress(tree->viewport(), button, {}, pos);
        QTest::mouseRelease(tree->viewport(), button, {}, pos);
    }

    // Right-click a node and choose an item of the pop-up menu.
    void popupCommand(const QString& key, QAction* item) {
        const QPoint pos = at(key);
        QVERIFY2(!pos.isNull(), qPrintable(key));
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, pos);
        QVERIFY(w->mnutvcommands->isVisible());
        QVERIFY(w->mnutvdelete->isVisible());
        w->mnutvcommands->hide();
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, pos);
        item->trigger();
    }

    // Presses on `key`, moves far enough to start a drag, and over the drag
    // moves to the node `over` (or a viewport position) and drops there.
    void dragAndDrop(const QString& key, const QPoint& dropAt) {
        const QPoint from = at(key);
        QVERIFY2(!from.isNull(), qPrintable(key));
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, from);
        int drags = 0;
        auto previous = ContentsTree::setDragRunner([&](ContentsTree& t, QTreeWidgetItem& node) {
            ++drags;
            QCOMPARE(ContentsTree::nodeKey(&node), key);
            QVERIFY(w->contentsTab().state.dragging);
            QMimeData mime;
            mime.setData(ContentsTree::dragMimeType(), key.toUtf8());
            QDragEnterEvent enter(from, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(t.viewport(), &enter);
            QDragMoveEvent move(dropAt, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(t.viewport(), &move);
            QDropEvent drop(dropAt, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(t.viewport(), &drop);
        });
        const QPoint moved = from + QPoint(QApplication::startDragDistance() + 5, 0);
        QMouseEvent move(QEvent::MouseMove, moved, tree->viewport()->mapToGlobal(moved),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tree->viewport(), &move);
        ContentsTree::setDragRunner(previous);
        QCOMPARE(drags, 1);
        QCoreApplication::processEvents(); // the drop is handled after the drag returns
    }

    QTreeWidgetItem* node(const QString& key) const { return tree->findNode(key); }

    static void headingWithTopics(dao::Database& db) {
        addRow(db, QStringLiteral("H.1"), QStringLiteral("H"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("3"));
        addRow(db, QStringLiteral("IDH_T.2"), QStringLiteral("T"), QStringLiteral("2"),
               QStringLiteral("H.1"), QStringLiteral("2"));
        addRow(db, QStringLiteral("IDH_U.3"), QStringLiteral("U"), QStringLiteral("2"),
               QStringLiteral("H.1"), QStringLiteral("2"));
        addRow(db, QStringLiteral("G.4"), QStringLiteral("G"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("3"));
        addRow(db, QStringLiteral("G2.5"), QStringLiteral("G2"), QStringLiteral("2"),
               QStringLiteral("G.4"), QStringLiteral("3"));
    }

    void pressOk() {
        QVERIFY(w->cmdok->isEnabled());
        QTest::mouseClick(w->cmdok, Qt::LeftButton);
    }

private slots:
    void init() {
        m_messages.clear();
        m_answers.clear();
    }
    void cleanup() {
        w.reset();
        tree = nullptr;
    }

    void firstAddMakesTheRootAndEntriesFollowTheLastHeading() {
        openWithRows();
        QCOMPARE(tree->topLevelItemCount(), 0);
        QVERIFY(!w->cmdok->isEnabled());
        add(false, QStringLiteral("IDH_A"), QStringLiteral("Alpha"));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(Alpha)"));
        QCOMPARE(ContentsTree::nodeKey(tree->topLevelItem(0)), QStringLiteral("Main"));
        QCOMPARE(ContentsTree::nodeImage(tree->topLevelItem(0)), 1);
        // the counter starts at the number of nodes, the root included
        QVERIFY(node(QStringLiteral("IDH_A.2")));
        QVERIFY(w->txtcftitle->text().isEmpty());
        QVERIFY(w->cbocftopicid->currentText().isEmpty());
        QVERIFY(!w->cmdaddnode->isEnabled());
        QVERIFY(w->cmdok->isEnabled());

        // a heading typed without a topic ID takes its title as key base
        add(true, QString(), QStringLiteral("Start"));
        add(false, QStringLiteral("IDH_B"), QStringLiteral("Beta"));
        add(false, QStringLiteral("IDH_C"), QStringLiteral("Gamma"));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(Alpha, Start(Beta, Gamma))"));
        QCOMPARE(ContentsTree::nodeImage(node(QStringLiteral("Start.3"))), 3);
        QCOMPARE(ContentsTree::nodeImage(node(QStringLiteral("IDH_B.4"))), 2);
        QVERIFY(node(QStringLiteral("IDH_C.5"))->parent()->isExpanded());

        pressOk();
        QCOMPARE(rowTexts(*w->session().db),
                 (QStringList{QStringLiteral("IDH_A.2|Alpha|1|Main|2"),
                              QStringLiteral("Start.3|Start|1|Main|3"),
                              QStringLiteral("IDH_B.4|Beta|2|Start.3|2"),
                              QStringLiteral("IDH_C.5|Gamma|2|Start.3|2")}));
    }

    void loadingRebuildsTheTreeBelowTheLastHeading() {
        openWithRows(headingWithTopics);
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U), G(G2))"));
        QCOMPARE(ContentsTree::nodeImage(tree->topLevelItem(0)), 3);
        QVERIFY(tree->topLevelItem(0)->isExpanded() && node(QStringLiteral("G.4"))->isExpanded());
        // a loaded tree can be saved as it is
        QVERIFY(w->cmdok->isEnabled());
        QVERIFY(!w->cmdaddnode->isEnabled());
        // the insertion parent is the last heading in contents order
        add(false, QStringLiteral("IDH_N"), QStringLiteral("N"));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U), G(G2(N)))"));
    }

    // Entries whose topic the project lacks are struck out, when loaded and
    // when added; a topic that comes back takes the mark away.
    void entriesOfMissingTopicsAreMarked() {
        openWithRows([](dao::Database& db) {
            testenv::addRow(
                db, QStringLiteral("GeneralHelp"),
                {{"TopicID", QStringLiteral("IDH_T")}, {"Status", QStringLiteral("A")}});
            addRow(db, QStringLiteral("H.1"), QStringLiteral("H"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("3"));
            addRow(db, QStringLiteral("idh_t.2"), QStringLiteral("T"), QStringLiteral("2"),
                   QStringLiteral("H.1"), QStringLiteral("2"));
            addRow(db, QStringLiteral("IDH_GONE.3"), QStringLiteral("Gone"), QStringLiteral("2"),
                   QStringLiteral("H.1"), QStringLiteral("2"));
        });
        const auto marks = [&] {
            QStringList out;
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                if (!ContentsTree::missingTopic(*it).isEmpty())
                    out << ContentsTree::missingTopic(*it) + u'/' +
                               QString::number((*it)->font(0).strikeOut());
            return out;
        };
        QCOMPARE(marks(), QStringList{QStringLiteral("IDH_GONE/1")});
        QVERIFY(node(QStringLiteral("IDH_GONE.3"))->toolTip(0).contains(u"IDH_GONE"));
        add(false, QStringLiteral("IDH_NEW"), QStringLiteral("New"));
        QCOMPARE(marks(), (QStringList{QStringLiteral("IDH_GONE/1"), QStringLiteral("IDH_NEW/1")}));
        testenv::addRow(*w->session().db, QStringLiteral("GeneralHelp"),
                        {{"TopicID", QStringLiteral("IDH_GONE")}, {"Status", QStringLiteral("A")}});
        showContentsTab();
        QCOMPARE(marks(), QStringList());
        QVERIFY(!node(QStringLiteral("IDH_GONE.3"))->font(0).strikeOut());
    }

    // A title with "=" is warned about at Add: Cancel goes back to it, OK adds it.
    void titleWithAnEqualsSignIsWarnedAboutAtAdd() {
        openWithRows();
        m_answers = {shell::vbCancel};
        add(false, QStringLiteral("IDH_A"), QStringLiteral("a = b"));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].text.startsWith(u"The contents entry \"a = b\" holds \"=\""));
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(w->txtcftitle->text(), QStringLiteral("a = b"));
        QTest::mouseClick(w->cmdaddnode, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(shape(tree), QStringLiteral("Contents File(a = b)"));
        add(false, QStringLiteral("IDH_B"), QStringLiteral("b"));
        QCOMPARE(m_messages.size(), 2);
    }

    void addHereChoosesWhereTheNextEntriesGo() {
        openWithRows(headingWithTopics);
        // on a topic: beside it, below its parent
        popupCommand(QStringLiteral("IDH_T.2"), w->mnucfaddhere);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 2); // nothing added yet
        add(false, QStringLiteral("IDH_N"), QStringLiteral("N"));
        add(false, QStringLiteral("IDH_O"), QStringLiteral("O"));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U, N, O), G(G2))"));
        // on a heading: below it
        popupCommand(QStringLiteral("G.4"), w->mnucfaddhere);
        add(false, QStringLiteral("IDH_P"), QStringLiteral("P"));
        // on the root: below the root
        popupCommand(QStringLiteral("Main"), w->mnucfaddhere);
        add(true, QString(), QStringLiteral("Q"));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U, N, O), G(G2, P), Q)"));
    }

    void theRootFillsNoEntryField() {
        openWithRows(headingWithTopics);
        popupCommand(QStringLiteral("Main"), w->mnucfaddhere);
        QVERIFY(w->txtcftitle->text().isEmpty());
        QVERIFY(w->cbocftopicid->currentText().isEmpty());
    }

    void pressShowsTheNodeInTheEntryFields() {
        openWithRows([](dao::Database& db) {
            addRow(db, QStringLiteral("Head.1"), QStringLiteral("Head"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("3"));
            addRow(db, QStringLiteral("IDH_A.7"), QStringLiteral("Topic A"), QStringLiteral("2"),
                   QStringLiteral("Head.1"), QStringLiteral("2"));
            addRow(db, QStringLiteral("IDH.X.8"), QStringLiteral("Dotted"), QStringLiteral("2"),
                   QStringLiteral("Head.1"), QStringLiteral("2"));
        });
        press(QStringLiteral("IDH_A.7"));
        QCOMPARE(w->cbocftopicid->currentText(), QStringLiteral("IDH_A"));
        QCOMPARE(w->txtcftitle->text(), QStringLiteral("Topic A"));
        QVERIFY(w->opttopic->isChecked());
        QCOMPARE(tree->currentItem(), node(QStringLiteral("IDH_A.7")));
        QVERIFY(w->cmdaddnode->isEnabled());
        press(QStringLiteral("IDH.X.8"));
        QCOMPARE(w->cbocftopicid->currentText(), QStringLiteral("IDH.X"));
        press(QStringLiteral("Head.1"));
        QCOMPARE(w->cbocftopicid->currentText(), QStringLiteral("Head"));
        QVERIFY(w->optheading->isChecked());
        // a press over empty space changes nothing
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          QPoint(5, tree->viewport()->height() - 3));
        QCOMPARE(w->txtcftitle->text(), QStringLiteral("Head"));
        QCOMPARE(w->contentsTab().state.draggedNode, QStringLiteral("Head.1"));
    }

    void backslashInATitleCountsAsALevel() {
        openWithRows();
        add(true, QString(), QStringLiteral("Part\\One"));
        add(false, QStringLiteral("IDH_A"), QStringLiteral("A\\B\\C"));
        pressOk();
        const QStringList rows = rowTexts(*w->session().db);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0), QStringLiteral("Part\\One.2|Part\\One|2|Main|3"));
        QCOMPARE(rows.at(1), QStringLiteral("IDH_A.3|A\\B\\C|5|Part\\One.2|2"));
    }

    void generatedKeysStayUnique() {
        // keys kept from an earlier run meet the counter: X.3 and X.4 exist
        openWithRows([](dao::Database& db) {
            addRow(db, QStringLiteral("X.3"), QStringLiteral("Old 3"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("2"));
            addRow(db, QStringLiteral("x.4"), QStringLiteral("Old 4"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("2"));
        });
        add(false, QStringLiteral("X"), QStringLiteral("New 1"));
        add(false, QStringLiteral("X"), QStringLiteral("New 2"));
        QVERIFY(node(QStringLiteral("X.5")));
        QVERIFY(node(QStringLiteral("X.6")));
        pressOk();
        QStringList keys;
        for (const contents::ContentsRow& r : contents::ReadContentsRows(*w->session().db))
            keys << r.topicId.toLower();
        QCOMPARE(keys, (QStringList{QStringLiteral("x.3"), QStringLiteral("x.4"),
                                    QStringLiteral("x.5"), QStringLiteral("x.6")}));
    }

    void dropMovesBelowAHeadingButNotBelowATopic() {
        openWithRows(headingWithTopics);
        dragAndDrop(QStringLiteral("IDH_T.2"), at(QStringLiteral("G.4")));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(U), G(G2, T))"));
        QVERIFY(!w->contentsTab().state.dragging);
        QVERIFY(w->contentsTab().state.draggedNode.isEmpty());
        QVERIFY(!tree->dropHighlight());
        QVERIFY(m_messages.isEmpty());
        // a heading moves with everything below it
        dragAndDrop(QStringLiteral("G.4"), at(QStringLiteral("H.1")));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(U, G(G2, T)))"));
        // a topic as target leaves the tree as it is
        dragAndDrop(QStringLiteral("G2.5"), at(QStringLiteral("IDH_U.3")));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(U, G(G2, T)))"));
        QVERIFY(!w->contentsTab().state.dragging);
        // empty space: only the dragging state ends
        dragAndDrop(QStringLiteral("IDH_U.3"), QPoint(5, tree->viewport()->height() / 2 + 40));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(U, G(G2, T)))"));
        QVERIFY(!w->contentsTab().state.dragging);
        // moves are saved with OK, levels and parents following the new places
        pressOk();
        QCOMPARE(rowTexts(*w->session().db),
                 (QStringList{QStringLiteral("H.1|H|1|Main|3"), QStringLiteral("IDH_U.3|U|2|H.1|2"),
                              QStringLiteral("G.4|G|2|H.1|3"), QStringLiteral("G2.5|G2|3|G.4|3"),
                              QStringLiteral("IDH_T.2|T|3|G.4|2")}));
    }

    void dropOnItsOwnSubHeadingIsRefused() {
        openWithRows(headingWithTopics);
        const QString before = shape(tree);
        // Cancel: the message, the tree unchanged, the drag state kept
        m_answers << shell::vbCancel;
        dragAndDrop(QStringLiteral("G.4"), at(QStringLiteral("G2.5")));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).text,
                 QStringLiteral("A node can't be made a child of its own children."));
        QCOMPARE(m_messages.at(0).flags, 48 + 1);
        QCOMPARE(shape(tree), before);
        QVERIFY(w->contentsTab().state.dragging);
        QCOMPARE(tree->dropHighlight(), node(QStringLiteral("G2.5")));
        // OK: the drag ends, still nothing moved; onto itself is refused too
        m_answers << shell::vbOK;
        dragAndDrop(QStringLiteral("G.4"), at(QStringLiteral("G.4")));
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(shape(tree), before);
        QVERIFY(!w->contentsTab().state.dragging);
        QVERIFY(!tree->dropHighlight());
        QVERIFY(!w->Timer1->isActive());
    }

    void leavingTheTabKeepsOnlyDeletions() {
        openWithRows(headingWithTopics);
        add(false, QStringLiteral("IDH_NEW"), QStringLiteral("New"));
        dragAndDrop(QStringLiteral("IDH_U.3"), at(QStringLiteral("Main")));
        popupCommand(QStringLiteral("IDH_T.2"), w->mnutvdelete);
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H, G(G2(New)), U)"));
        showContentsTab();
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(U), G(G2))"));
    }

    void deletingATopicRemovesItsRowAtOnce() {
        openWithRows([](dao::Database& db) {
            addRow(db, QStringLiteral("It's.1"), QStringLiteral("Quote"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("2"));
            addRow(db, QStringLiteral("Other.2"), QStringLiteral("Other"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("2"));
        });
        // Asked first, naming the entry: Cancel keeps it.
        m_answers = {shell::vbCancel};
        popupCommand(QStringLiteral("It's.1"), w->mnutvdelete);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).text, QStringLiteral("Delete the entry \"Quote\"? It is removed "
                                                       "from the project at once."));
        QCOMPARE(rowTexts(*w->session().db).size(), 2);
        popupCommand(QStringLiteral("It's.1"), w->mnutvdelete);
        QCOMPARE(shape(tree), QStringLiteral("Contents File(Other)"));
        QCOMPARE(rowTexts(*w->session().db), QStringList{QStringLiteral("Other.2|Other|1|Main|2")});
        QVERIFY(w->txtcftitle->text().isEmpty());
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Deleted the entry \"Quote\"."));
        // a topic added but not saved has no row: it goes all the same
        add(false, QStringLiteral("IDH_Z"), QStringLiteral("Z"));
        popupCommand(QStringLiteral("IDH_Z.3"), w->mnutvdelete);
        QCOMPARE(shape(tree), QStringLiteral("Contents File(Other)"));
    }

    void deletingAHeadingTakesEverythingBelowIt() {
        openWithRows(headingWithTopics);
        // Asked first: Cancel keeps it all.
        m_dialogs.answers = {shell::vbCancel};
        popupCommand(QStringLiteral("G.4"), w->mnutvdelete);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).text,
                 QStringLiteral("Delete \"G\" and the entry below it? "
                                "They are removed from the project at once."));
        QCOMPARE(rowTexts(*w->session().db).size(), 5);
        popupCommand(QStringLiteral("G.4"), w->mnutvdelete);
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U))"));
        QCOMPARE(rowTexts(*w->session().db).size(), 3);
        // the next entries do not go below the deleted heading
        add(false, QStringLiteral("IDH_N"), QStringLiteral("N"));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U), N)"));
        // the loaded root is a heading: the whole tree and table go
        popupCommand(QStringLiteral("Main"), w->mnutvdelete);
        QCOMPARE(tree->topLevelItemCount(), 0);
        QVERIFY(rowTexts(*w->session().db).isEmpty());
        QVERIFY(!w->cmdok->isEnabled());
    }

    void theRootMadeByAddCannotBeDeleted() {
        openWithRows();
        add(false, QStringLiteral("IDH_A"), QStringLiteral("A"));
        popupCommand(QStringLiteral("Main"), w->mnutvdelete);
        QVERIFY(!w->mnutvdelete->isEnabled()); // not offered there
        QCOMPARE(shape(tree), QStringLiteral("Contents File(A)"));
        popupCommand(QStringLiteral("IDH_A.2"), w->mnucfaddhere);
        QVERIFY(w->mnutvdelete->isEnabled()); // an entry can go
    }

    void okWithOnlyTheRootDeletesEveryRow() {
        openWithRows();
        add(false, QStringLiteral("IDH_A"), QStringLiteral("A"));
        popupCommand(QStringLiteral("IDH_A.2"), w->mnutvdelete);
        QCOMPARE(shape(tree), QStringLiteral("Contents File"));
        // rows that reached the table meanwhile
        addRow(*w->session().db, QStringLiteral("Y.1"), QStringLiteral("Y"), QStringLiteral("1"),
               QStringLiteral("Main"), QStringLiteral("2"));
        pressOk();
        QVERIFY(rowTexts(*w->session().db).isEmpty());
    }

    void refusalsChangeNothing() {
        openWithRows(headingWithTopics);
        const QStringList before = rowTexts(*w->session().db);
        // a key longer than the table keeps is not added
        add(false, QString(49, QLatin1Char('K')), QStringLiteral("Long"));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.at(0).text.contains(QStringLiteral("KKK.7")));
        QCOMPARE(shape(tree), QStringLiteral("Contents File(H(T, U), G(G2))"));
        // a level the table cannot keep: the message, and the table as it was
        add(true, QStringLiteral("HD"), QString(50, QLatin1Char('\\')));
        add(false, QStringLiteral("IDH_D"), QString(50, QLatin1Char('\\')));
        pressOk();
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(rowTexts(*w->session().db), before);
    }

    void entriesOfAVanishedParentStayBelowTheRoot() {
        openWithRows([](dao::Database& db) {
            addRow(db, QStringLiteral("A.1"), QStringLiteral("A"), QStringLiteral("1"),
                   QStringLiteral("Main"), QStringLiteral("2"));
            addRow(db, QStringLiteral("B.2"), QStringLiteral("B"), QStringLiteral("2"),
                   QStringLiteral("Gone.9"), QStringLiteral("2"));
        });
        QCOMPARE(shape(tree), QStringLiteral("Contents File(A, B)"));
    }

    void collapsingTheSelectedHeadingOpensItAgain() {
        openWithRows(headingWithTopics);
        press(QStringLiteral("H.1"));
        node(QStringLiteral("H.1"))->setExpanded(false);
        QVERIFY(node(QStringLiteral("H.1"))->isExpanded());
        // another heading collapses when the selected node has no child
        press(QStringLiteral("IDH_T.2"));
        node(QStringLiteral("G.4"))->setExpanded(false);
        QVERIFY(!node(QStringLiteral("G.4"))->isExpanded());
    }

    void dragNearTheEdgesScrollsTheTree() {
        openWithRows([](dao::Database& db) {
            for (int i = 1; i <= 80; ++i)
                addRow(db, QStringLiteral("T.%1").arg(i), QStringLiteral("Topic %1").arg(i),
                       QStringLiteral("1"), QStringLiteral("Main"), QStringLiteral("2"));
        });
        QCOMPARE(w->Timer1->interval(), 200);
        QVERIFY(!w->Timer1->isActive());
        QScrollBar* bar = tree->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
        QMimeData mime;
        mime.setData(ContentsTree::dragMimeType(), QByteArray("T.1"));
        auto dragOver = [&](QPoint pos) {
            QDragMoveEvent move(pos, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(tree->viewport(), &move);
        };
        const int height = tree->viewport()->height();
        QDragEnterEvent enter(QPoint(10, height / 2), Qt::MoveAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(tree->viewport(), &enter);

        const QPoint low(10, height - 3);
        dragOver(low);
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->contentsTab().state.scrollDirection, 1);
        QTreeWidgetItem* first = tree->dropHighlight();
        QCOMPARE(first, tree->itemAt(low));
        int value = bar->value();
        w->contentsTab().Timer1_Timer();
        QCOMPARE(bar->value(), value + 1);
        // each tick highlights the node that has come under the pointer
        QTreeWidgetItem* next = tree->itemAt(low);
        QVERIFY(next && next != first);
        w->contentsTab().Timer1_Timer();
        QCOMPARE(tree->dropHighlight(), next);

        dragOver(QPoint(10, height / 2));
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(tree->dropHighlight());

        dragOver(QPoint(10, 1));
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->contentsTab().state.scrollDirection, -1);
        value = bar->value();
        w->contentsTab().Timer1_Timer();
        QCOMPARE(bar->value(), value - 1);

        // the timer itself scrolls while the pointer rests in the band
        value = bar->value();
        QTRY_VERIFY_WITH_TIMEOUT(bar->value() < value, 1000);

        // releasing a mouse button over the tree stops it
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, QPoint(10, height / 2));
        QVERIFY(!w->Timer1->isActive());
    }
};

QTEST_MAIN(TestContentsTab)
#include "tst_contentstab.moc"
