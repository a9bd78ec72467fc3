// The text editor window and the progress window.
#include "common/testenv.h"
#include "ui/frmprogress.h"
#include "ui/frmtextedit.h"
#include "ui/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>

class TestEditorWindows : public QObject {
    Q_OBJECT

private:
    testenv::RegistryFolder m_registry;
    QPlainTextEdit m_target;

    // Selects `count` characters of the editor's text from `start`.
    static void select(FrmTextEdit& w, int start, int count) {
        QTextCursor cursor = w.rtbeditor->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + count, QTextCursor::KeepAnchor);
        w.rtbeditor->setTextCursor(cursor);
    }

private slots:
    void init() {
        QApplication::clipboard()->clear();
        m_target.setPlainText(QStringLiteral("alpha beta\ngamma"));
    }

    void twipsFollowTheScreensDpi() {
        QCOMPARE(twips::toPixels(6200, 96), 413);
        QCOMPARE(twips::toPixels(2800, 96), 187);
        QCOMPARE(twips::toPixels(6200, 144), 620);
        QCOMPARE(twips::toPixels(1440, 120), 120);
        QCOMPARE(twips::fromPixels(413, 96), 6195);
        QCOMPARE(twips::fromPixels(10, 0), 0);
    }

    void editorLoadsTheTargetsText() {
        FrmTextEdit w(&m_target);
        QCOMPARE(w.objectName(), QStringLiteral("frmtextedit"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillmate Editor"));
        QCOMPARE(w.findChild<QPlainTextEdit*>(QStringLiteral("rtbeditor")), w.rtbeditor);
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha beta\ngamma"));
    }

    void toolbarButtonsAsDesigned() {
        FrmTextEdit w(&m_target);
        w.show();
        auto* bar = w.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        QVERIFY(bar);
        QCOMPARE(bar->actions().size(), 12);
        const QStringList tips = {QStringLiteral("Cut"),
                                  QStringLiteral("Copy"),
                                  QStringLiteral("Paste"),
                                  QString(),
                                  QStringLiteral("Bold"),
                                  QStringLiteral("Italic"),
                                  QStringLiteral("Underline"),
                                  QStringLiteral("Font - 7"),
                                  QString(),
                                  QStringLiteral("Align Left"),
                                  QStringLiteral("Align Center"),
                                  QStringLiteral("ALign Right")};
        for (int i = 1; i <= 12; ++i) {
            QAction* a = w.toolbarButton(i);
            const bool separator = i == 4 || i == 9;
            QCOMPARE(a->isSeparator(), separator);
            if (!separator) {
                QCOMPARE(a->toolTip(), tips.at(i - 1));
                QVERIFY(!a->icon().isNull());
            }
            QCOMPARE(a->isVisible(), i < 5); // plain text: no formatting, no alignment
        }
    }

    void formattingButtonsChangeNothing() {
        FrmTextEdit w(&m_target);
        QApplication::clipboard()->setText(QStringLiteral("held"));
        select(w, 0, 5);
        for (int i : {5, 6, 7, 8, 10, 11, 12})
            w.toolbarButton(i)->trigger();
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha beta\ngamma"));
        QCOMPARE(w.rtbeditor->textCursor().selectedText(), QStringLiteral("alpha"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("held"));
    }

    void rightClickShowsTheMenuEnabledByState_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("selected");
        QTest::newRow("nothing") << QString() << 0;
        QTest::newRow("clipboard only") << QStringLiteral("x") << 0;
        QTest::newRow("selection only") << QString() << 3;
        QTest::newRow("both") << QStringLiteral("x") << 3;
    }
    void rightClickShowsTheMenuEnabledByState() {
        QFETCH(QString, clipboard);
        QFETCH(int, selected);
        FrmTextEdit w(&m_target);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (!clipboard.isEmpty())
            QApplication::clipboard()->setText(clipboard);
        select(w, 2, selected);
        QVERIFY(!w.mnuediting->isVisible());
        QTest::mousePress(w.rtbeditor->viewport(), Qt::RightButton, {}, QPoint(10, 10));
        QTRY_VERIFY(w.mnuediting->isVisible());
        QCOMPARE(w.mnupaste->isEnabled(), !clipboard.isEmpty());
        QCOMPARE(w.mnucopy->isEnabled(), selected > 0);
        QCOMPARE(w.mnucut->isEnabled(), selected > 0);
        // The right click leaves the selection alone.
        QCOMPARE(w.rtbeditor->textCursor().selectedText().size(), selected);
        w.mnuediting->hide();
    }

    void leftClickShowsNoMenu() {
        FrmTextEdit w(&m_target);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.rtbeditor->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!w.mnuediting->isVisible());
    }

    void copyPutsOnlyTheSelectionOnTheClipboard() {
        FrmTextEdit w(&m_target);
        QApplication::clipboard()->setText(QStringLiteral("old contents"));
        select(w, 6, 10); // "beta\ngamma" across the line break
        w.mnucopy->setEnabled(true);
        w.mnucopy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("beta\ngamma"));
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha beta\ngamma"));

        // No selection: the clipboard keeps what it held.
        select(w, 3, 0);
        w.TextCopy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("beta\ngamma"));
    }

    void pasteReplacesTheSelection() {
        FrmTextEdit w(&m_target);
        QApplication::clipboard()->setText(QStringLiteral("BETA"));
        select(w, 6, 4);
        w.toolbarButton(FrmTextEdit::BtnPaste)->trigger();
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha BETA\ngamma"));

        // Nothing selected: inserted at the caret.
        select(w, 0, 0);
        w.TextPaste();
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("BETAalpha BETA\ngamma"));
    }

    void pasteWithAnEmptyClipboardChangesNothing() {
        FrmTextEdit w(&m_target);
        select(w, 0, 5);
        w.TextPaste();
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha beta\ngamma"));
        QCOMPARE(w.rtbeditor->textCursor().selectedText(), QStringLiteral("alpha"));
    }

    void cutMovesTheSelectionToTheClipboard() {
        FrmTextEdit w(&m_target);
        select(w, 5, 5); // " beta"
        w.toolbarButton(FrmTextEdit::BtnCut)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(" beta"));
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha\ngamma"));

        // An empty selection cuts nothing and keeps the clipboard.
        w.TextCut();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(" beta"));
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha\ngamma"));

        // The cut can be undone in the text box.
        w.rtbeditor->undo();
        QCOMPARE(w.rtbeditor->toPlainText(), QStringLiteral("alpha beta\ngamma"));
    }

    void shrinkingSnapsBackToTheMinimum() {
        FrmTextEdit w(&m_target);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize minimum(twips::toPixels(6200, w.logicalDpiX()),
                            twips::toPixels(2800, w.logicalDpiY()));
        QCOMPARE(w.minimumWindowSize(), minimum);
        QVERIFY(w.width() > minimum.width() && w.height() > minimum.height());

        w.resize(50, 40);
        QTRY_COMPARE(w.size(), minimum);
        w.resize(minimum.width() + 100, 10);
        QTRY_COMPARE(w.size(), QSize(minimum.width() + 100, minimum.height()));

        // The text box and its preview share the area between the toolbar and
        // the buttons.
        auto* bar = w.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        QTRY_COMPARE(w.rtbeditor->mapTo(&w, QPoint(0, 0)), QPoint(0, bar->geometry().bottom() + 1));
        const QRect preview(w.txtzoompreview->mapTo(&w, QPoint(0, 0)), w.txtzoompreview->size());
        QVERIFY(preview.left() >= w.rtbeditor->width());
        QCOMPARE(preview.right(), w.width() - 1);
        QVERIFY(w.cmdzoombuttons->geometry().top() > preview.bottom());
    }

    // OK copies the text back; Cancel, Escape and the close box drop the
    // edits. The preview follows the text; the size is kept for the next time.
    void onlyOkCopiesTheTextBack_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("copied");
        QTest::newRow("close box") << 0 << false;
        QTest::newRow("escape key") << 1 << false;
        QTest::newRow("cancel button") << 2 << false;
        QTest::newRow("ok button") << 3 << true;
        QTest::newRow("ok, all text deleted") << 4 << true;
    }
    void onlyOkCopiesTheTextBack() {
        QFETCH(int, how);
        QFETCH(bool, copied);
        const QSize chosen = QSize(700 + how * 10, 500);
        {
            FrmTextEdit w(&m_target);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const QString text = how == 4 ? QString() : QStringLiteral("{\\b edited} text");
            w.rtbeditor->setPlainText(text);
            QTRY_COMPARE(w.txtzoompreview->toPlainText(),
                         how == 4 ? QString() : QStringLiteral("edited text"));
            w.resize(chosen);
            QTRY_COMPARE(w.size(), chosen);
            QCOMPARE(m_target.toPlainText(), QStringLiteral("alpha beta\ngamma"));
            if (how == 0)
                w.close();
            else if (how == 1)
                QTest::keyClick(w.rtbeditor, Qt::Key_Escape);
            else
                w.cmdzoombuttons->button(how == 2 ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok)
                    ->click();
            QVERIFY(!w.isVisible());
            QCOMPARE(m_target.toPlainText(), copied ? text : QStringLiteral("alpha beta\ngamma"));
        }
        FrmTextEdit again(&m_target);
        QCOMPARE(again.size(), chosen);
    }

    void targetGoneBeforeClosing() {
        auto* target = new QPlainTextEdit;
        target->setPlainText(QStringLiteral("x"));
        FrmTextEdit w(target);
        w.show();
        delete target;
        w.accept(); // must not touch the deleted field
        QVERIFY(!w.isVisible());
    }

    void progressHidesBarAndLabelTogether() {
        FrmProgress w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.objectName(), QStringLiteral("frmprogress"));
        auto* frame = w.findChild<QFrame*>(QStringLiteral("frmprogressframe"));
        auto* bar = w.findChild<QProgressBar*>(QStringLiteral("pbprogress"));
        auto* label = w.findChild<QLabel*>(QStringLiteral("lblprogress"));
        auto* caption = w.findChild<QLabel*>(QStringLiteral("lblcaption"));
        QVERIFY(frame && bar && label && caption);
        QCOMPARE(label->text(), QStringLiteral("Progress"));

        w.DisplayCaption(QStringLiteral("Processing form main.frm"));
        w.ShowProgressBar(false);
        QVERIFY(!bar->isVisible());
        QVERIFY(!label->isVisible());
        QVERIFY(caption->isVisible());
        QCOMPARE(caption->text(), QStringLiteral("Processing form main.frm"));

        w.ShowProgressBar(true);
        QVERIFY(bar->isVisible() && label->isVisible());

        w.DisplayCaption(QString());
        QVERIFY(caption->text().isEmpty());
    }

    // With Cancel, each way of asking to stop asks once and leaves the window
    // up until the work has stopped; without it, nothing is asked.
    void progressCancelAsksAndStaysUntilDone_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel button") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void progressCancelAsksAndStaysUntilDone() {
        QFETCH(int, how);
        FrmProgress w;
        int asked = 0;
        connect(&w, &FrmProgress::cancelRequested, this, [&] { ++asked; });
        const auto ask = [&] {
            if (how == 0)
                QTest::mouseClick(w.cmdcancel, Qt::LeftButton);
            else if (how == 1)
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                w.close();
        };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.cmdcancel->isVisible());
        w.ShowCancel(true);
        QVERIFY(w.cmdcancel->isVisible() && w.cmdcancel->isEnabled());
        ask();
        ask();
        QCOMPARE(asked, 1);
        QVERIFY(w.isVisible() && !w.cmdcancel->isEnabled());
        w.Done();
        QVERIFY(!w.isVisible());

        FrmProgress plain; // no Cancel: Escape and the close box close it
        connect(&plain, &FrmProgress::cancelRequested, this, [&] { ++asked; });
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        if (how == 1)
            QTest::keyClick(&plain, Qt::Key_Escape);
        else
            plain.close();
        QVERIFY(!plain.isVisible());
        QCOMPARE(asked, 1);
    }

    void progressReachesAFullBar() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("form.frm"));
        QVERIFY(testenv::writeAll(path, QByteArray(4321, 'x')));
        const auto length = static_cast<qint32>(QFileInfo(path).size());

        FrmProgress w;
        w.ProgressBarMin(1);
        w.ProgressBarMax(length);
        w.ProgressBarValue(length / 2);
        QCOMPARE(w.pbprogress->minimum(), 1);
        QCOMPARE(w.pbprogress->maximum(), 4321);
        QCOMPARE(w.pbprogress->value(), length / 2);
        w.ProgressBarValue(length);
        QCOMPARE(w.pbprogress->value(), w.pbprogress->maximum());
    }
};

QTEST_MAIN(TestEditorWindows)
#include "tst_editor.moc"
