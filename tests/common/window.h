// The main window in a test: message boxes and file dialogs scripted, the
// window shown offscreen, and its controls driven as a user drives them.
#pragma once

#include "shell/dialogs.h"
#include "ui/contentstree.h"
#include "ui/frmmain.h"
#include "ui/transtbwrapper.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <array>
#include <memory>

namespace testenv {

// The main window with its controls found by the names users' scripts and the
// tests use: the same names as the window's forms give them.
class Window : public FrmMain {
public:
    template <class T> T* control(const char* name) const {
        auto* found = findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("the window has no %s", name);
        return found;
    }

    QWidget* CoolBar = control<QWidget>("CoolBar");
    TransTBWrapper* tbwWrapper = control<TransTBWrapper>("tbwWrapper");
    QTabBar* tabqmt = control<QTabBar>("tabqmt");
    QPushButton* cmdok = control<QPushButton>("cmdok");
    QPushButton* cmdcancel = control<QPushButton>("cmdcancel");
    QPushButton* cmddelete = control<QPushButton>("cmddelete");
    QPushButton* cmdcreate = control<QPushButton>("cmdcreate");
    QMenu* mnufile = control<QMenu>("mnufile");
    QMenu* mnuimport = control<QMenu>("mnuimport");
    QMenu* mnuexport = control<QMenu>("mnuexport");
    QMenu* mnuedit = control<QMenu>("mnuedit");
    QMenu* mnuview = control<QMenu>("mnuview");
    QMenu* mnuhelp = control<QMenu>("mnuhelp");
    QAction* mnunew = control<QAction>("mnunew");
    QAction* mnuopen = control<QAction>("mnuopen");
    QAction* mnusave = control<QAction>("mnusave");
    QAction* mnuzoom = control<QAction>("mnuzoom");
    QAction* mnudelete = control<QAction>("mnudelete");
    QAction* mnucancel = control<QAction>("mnucancel");
    QAction* mnucreate = control<QAction>("mnucreate");
    QAction* mnuimportworkshop = control<QAction>("mnuimportworkshop");
    QAction* mnuimportvbproject = control<QAction>("mnuimportvbproject");
    QAction* mnuexportpdf = control<QAction>("mnuexportpdf");
    QAction* mnuexportweb = control<QAction>("mnuexportweb");
    QAction* mnuprintpreview = control<QAction>("mnuprintpreview");
    QAction* mnuprint = control<QAction>("mnuprint");
    QAction* mnuexit = control<QAction>("mnuexit");
    QAction* mnuviewhelpfile = control<QAction>("mnuviewhelpfile");
    QAction* mnuproghelp = control<QAction>("mnuproghelp");
    QAction* mnuwhatsthis = control<QAction>("mnuwhatsthis");
    QAction* mnuaboutqmt = control<QAction>("mnuaboutqmt");
    QAction* mnuaboutkrv = control<QAction>("mnuaboutkrv");
    QAction* mnuviewprojecthelp = control<QAction>("mnuviewprojecthelp");
    QFrame* frmcontentsfile = control<QFrame>("frmcontentsfile");
    ContentsTree* tvcontentsfileview = control<ContentsTree>("tvcontentsfileview");
    QGroupBox* frmcfentrytype = control<QGroupBox>("frmcfentrytype");
    QRadioButton* opttopic = control<QRadioButton>("opttopic");
    QRadioButton* optheading = control<QRadioButton>("optheading");
    QLabel* lblcftopicid = control<QLabel>("lblcftopicid");
    QComboBox* cbocftopicid = control<QComboBox>("cbocftopicid");
    QLabel* lblcftitle = control<QLabel>("lblcftitle");
    QLineEdit* txtcftitle = control<QLineEdit>("txtcftitle");
    QPushButton* cmdaddnode = control<QPushButton>("cmdaddnode");
    QFrame* frmcreate = control<QFrame>("frmcreate");
    QLabel* lblhelpprojecttitle = control<QLabel>("lblhelpprojecttitle");
    QLineEdit* txthelpprojecttitle = control<QLineEdit>("txthelpprojecttitle");
    QLabel* lblhelpprojectfilename = control<QLabel>("lblhelpprojectfilename");
    QLineEdit* txthelpprojectfilename = control<QLineEdit>("txthelpprojectfilename");
    QPushButton* cmdhelpprojectfilebrowse = control<QPushButton>("cmdhelpprojectfilebrowse");
    QLabel* lblvbprojectfilename = control<QLabel>("lblvbprojectfilename");
    QLineEdit* txtvbprojectfilename = control<QLineEdit>("txtvbprojectfilename");
    QPushButton* cmdvbproectfilebrowse = control<QPushButton>("cmdvbproectfilebrowse");
    QLabel* lblrtffilename = control<QLabel>("lblrtffilename");
    QLineEdit* txtrtffilename = control<QLineEdit>("txtrtffilename");
    QPushButton* cmdrtffilebrowse = control<QPushButton>("cmdrtffilebrowse");
    QLabel* lblcontentsfilename = control<QLabel>("lblcontentsfilename");
    QLineEdit* txtcontentsfilename = control<QLineEdit>("txtcontentsfilename");
    QPushButton* cmdcontentsfilebrowse = control<QPushButton>("cmdcontentsfilebrowse");
    QLabel* lblhelpfilename = control<QLabel>("lblhelpfilename");
    QLineEdit* txthelpfilename = control<QLineEdit>("txthelpfilename");
    QPushButton* cmdhelpfilebrowse = control<QPushButton>("cmdhelpfilebrowse");
    QLabel* lblindexfile = control<QLabel>("lblindexfile");
    QLineEdit* txtindexfilename = control<QLineEdit>("txtindexfilename");
    QPushButton* cmdindexfilebrowse = control<QPushButton>("cmdindexfilebrowse");
    QLabel* lblhelpfonts = control<QLabel>("lblhelpfonts");
    QLineEdit* txthelpfonts = control<QLineEdit>("txthelpfonts");
    QLabel* lblhelpcolors = control<QLabel>("lblhelpcolors");
    QLineEdit* txthelpcolors = control<QLineEdit>("txthelpcolors");
    QGroupBox* frmcreateoptions = control<QGroupBox>("frmcreateoptions");
    QCheckBox* chkcreategeneralhelp = control<QCheckBox>("chkcreategeneralhelp");
    QCheckBox* chkcreatecontentsfile = control<QCheckBox>("chkcreatecontentsfile");
    QCheckBox* chkcreatetooltips = control<QCheckBox>("chkcreatetooltips");
    QCheckBox* chkcreatecontextsensitivehelp = control<QCheckBox>("chkcreatecontextsensitivehelp");
    QCheckBox* chkformwhatsthishelp = control<QCheckBox>("chkformwhatsthishelp");
    QGroupBox* frmoptions = control<QGroupBox>("frmoptions");
    QRadioButton* opthelptype_0 = control<QRadioButton>("opthelptype_0");
    QRadioButton* opthelptype_1 = control<QRadioButton>("opthelptype_1");
    QCheckBox* chkvbproject = control<QCheckBox>("chkvbproject");
    QCheckBox* chkcompile = control<QCheckBox>("chkcompile");
    QPushButton* cmdwinsize = control<QPushButton>("cmdwinsize");
    QLineEdit* txtwinsize = control<QLineEdit>("txtwinsize");
    QFrame* frmgenhelp = control<QFrame>("frmgenhelp");
    QLabel* lbltopicid = control<QLabel>("lbltopicid");
    QComboBox* cbotopicid = control<QComboBox>("cbotopicid");
    QLabel* lbltopicidfootnote = control<QLabel>("lbltopicidfootnote");
    QLabel* lbltopictitle = control<QLabel>("lbltopictitle");
    QLineEdit* txttopictitle = control<QLineEdit>("txttopictitle");
    QLabel* lbltopictitlefootnote = control<QLabel>("lbltopictitlefootnote");
    QLabel* lblkeywords = control<QLabel>("lblkeywords");
    QLineEdit* txtkeywords = control<QLineEdit>("txtkeywords");
    QLabel* lblkfootnote = control<QLabel>("lblkfootnote");
    QLabel* lblbrowseseq = control<QLabel>("lblbrowseseq");
    QLineEdit* txtbrowseseq = control<QLineEdit>("txtbrowseseq");
    QLabel* lblbrowsefootnote = control<QLabel>("lblbrowsefootnote");
    QLabel* lbltopicheader = control<QLabel>("lbltopicheader");
    QLineEdit* txttopicheader = control<QLineEdit>("txttopicheader");
    QLabel* lblmapnumber = control<QLabel>("lblmapnumber");
    QLineEdit* txtmapnumber = control<QLineEdit>("txtmapnumber");
    QPushButton* cmdghnextmapnum = control<QPushButton>("cmdghnextmapnum");
    QLabel* lblhelptext = control<QLabel>("lblhelptext");
    QPlainTextEdit* txtgenhelptext = control<QPlainTextEdit>("txtgenhelptext");
    QTextBrowser* txtgenpreview = control<QTextBrowser>("txtgenpreview");
    QFrame* frmtooltips = control<QFrame>("frmtooltips");
    QLabel* lblttform = control<QLabel>("lblttform");
    QComboBox* cbottform = control<QComboBox>("cbottform");
    QLabel* lblttobject = control<QLabel>("lblttobject");
    QComboBox* cbottobject = control<QComboBox>("cbottobject");
    QLabel* lbltooltiptext = control<QLabel>("lbltooltiptext");
    QLineEdit* txttooltiptext = control<QLineEdit>("txttooltiptext");
    QFrame* frmwhatsthis = control<QFrame>("frmwhatsthis");
    QLabel* lblwtform = control<QLabel>("lblwtform");
    QComboBox* cbowtform = control<QComboBox>("cbowtform");
    QLabel* lblwtobject = control<QLabel>("lblwtobject");
    QComboBox* cbowtobject = control<QComboBox>("cbowtobject");
    QLabel* lblwttopicid = control<QLabel>("lblwttopicid");
    QComboBox* cbowttopicid = control<QComboBox>("cbowttopicid");
    QLabel* lblwttopicidfootnote = control<QLabel>("lblwttopicidfootnote");
    QGroupBox* frmwtobjhlptype = control<QGroupBox>("frmwtobjhlptype");
    QCheckBox* chkwtwthlp = control<QCheckBox>("chkwtwthlp");
    QCheckBox* chkwtconsenhlp = control<QCheckBox>("chkwtconsenhlp");
    QLabel* lblwtmapnumber = control<QLabel>("lblwtmapnumber");
    QLineEdit* txtwtmapnumber = control<QLineEdit>("txtwtmapnumber");
    QPushButton* cmdwtnextmapnum = control<QPushButton>("cmdwtnextmapnum");
    QLabel* lblwthelptext = control<QLabel>("lblwthelptext");
    QPlainTextEdit* txtwthelptext = control<QPlainTextEdit>("txtwthelptext");
    QToolBar* Toolbar1 = control<QToolBar>("Toolbar1");
    QTimer* Timer1 = control<QTimer>("Timer1");
    QMenu* mnutvcommands = control<QMenu>("mnutvcommands");
    QAction* mnutvdelete = control<QAction>("mnutvdelete");
    QAction* mnucfaddhere = control<QAction>("mnucfaddhere");
    QAction* mnufilesep1 = control<QAction>("mnufilesep1");
    QAction* mnufilesep2 = control<QAction>("mnufilesep2");
    QAction* mnufilesep3 = control<QAction>("mnufilesep3");
    QAction* mnuhelpsep1 = control<QAction>("mnuhelpsep1");
    QAction* mnuhelpsep2 = control<QAction>("mnuhelpsep2");
    std::array<QRadioButton*, 2> opthelptype{opthelptype_0, opthelptype_1};
    // The toolbar's buttons, 1 to 11 as the strip shows them (0 unused).
    std::array<QAction*, 12> toolbarButtons = [this] {
        std::array<QAction*, 12> buttons{};
        const QList<QAction*> shown = Toolbar1->actions();
        for (int i = 0; i < shown.size() && i < 11; ++i)
            buttons[size_t(i + 1)] = shown.at(i);
        return buttons;
    }();
};

// Message boxes and file dialogs for the life of the object. Each message box
// is recorded and answered from `answers` in turn (when none is left: OK, or
// Discard for the question about unsaved changes);
// each file dialog is recorded and answered from `fileNames` (an empty name,
// Cancel, when none is left).
class DialogScript {
public:
    DialogScript() {
        shell::setMessageHandler([this](const shell::MessageRequest& request) {
            messages << request;
            if (!answers.isEmpty())
                return answers.takeFirst();
            // Unsaved changes are discarded unless a test says otherwise.
            const int buttons = request.flags & 0x7;
            return buttons == shell::vbYesNoCancel || buttons == shell::vbDiscardCancel
                       ? int(shell::vbNo)
                       : int(shell::vbOK);
        });
        shell::setFileDialogHandler([this](const shell::FileDialogRequest& request) {
            dialogs << request;
            return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
        });
    }
    ~DialogScript() {
        shell::setMessageHandler({});
        shell::setFileDialogHandler({});
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // The texts of the message boxes shown so far.
    QStringList texts() const {
        QStringList out;
        for (const shell::MessageRequest& m : messages)
            out << m.text;
        return out;
    }
    void clear() {
        messages.clear();
        dialogs.clear();
    }

    QList<shell::MessageRequest> messages;
    QList<int> answers;
    QList<shell::FileDialogRequest> dialogs;
    QStringList fileNames;
};

// A main window shown and exposed, its captions loaded.
inline std::unique_ptr<Window> shownWindow() {
    auto w = std::make_unique<Window>();
    w->LoadStrings(); // captions give the buttons their size
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("the window was not exposed");
    return w;
}

// Chooses a tab as a user clicks it, and lets its layout settle.
inline void selectTab(Window& w, int tab) {
    QTabBar* bar = w.tabqmt;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab - 1).center());
    QCoreApplication::processEvents();
}

// Replaces the text of a text box, list or text area as a user types it.
inline void retype(QWidget* field, const QString& text) {
    QWidget* target = field;
    if (auto* box = qobject_cast<QComboBox*>(field))
        target = box->lineEdit();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
    if (!text.isEmpty())
        QTest::keyClicks(target, text);
}

// Chooses an item of a list with the arrow keys, as a user picks it.
inline bool choose(QComboBox* box, const QString& text) {
    const int target = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (target < 0)
        return false;
    box->setFocus();
    for (int guard = 0; guard <= box->count() && box->currentIndex() != target; ++guard)
        QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    return box->currentText() == text;
}

// Clicks a button; check boxes and option buttons take clicks on their box
// and caption only, which a stretched control may not have at its centre.
inline void click(QAbstractButton* button) {
    const bool box = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      box ? QPoint(6, button->height() / 2) : button->rect().center());
}

// The items of a list.
inline QStringList items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace testenv
