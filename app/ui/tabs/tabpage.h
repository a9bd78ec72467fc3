// One tab of the main window: its own controls (the tab's Designer form), the
// rules of its controls and its commands.
// A tab binds its controls to the rules in workspace/ and to the project
// database, and answers the window's shared commands (OK, Cancel, Delete,
// Zoom) while it is the selected tab. It tells the window through signals:
// changed() when the enabling rule may give another answer, modifiedChanged()
// when it gains or loses unsaved changes, status() for the status line.
//
// A tab knows whether the author changed its record since it was loaded,
// saved or cleared, so that nothing typed is lost without a question.
#pragma once

#include "workspace/checkforok.h"

#include <QFrame>
#include <QHash>
#include <QString>
#include <functional>

class ApplicationForms;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class TopicModel;
struct Session;

// What the tabs share: the project, its topic IDs and the application
// project's forms.
struct TabContext {
    Session& session;
    TopicModel& topics;
    ApplicationForms& forms;
};

class TabPage : public QFrame {
    Q_OBJECT

public:
    TabPage(TabContext& context, QString name);

    // The tab's caption, for its place in the tab strip and questions about its changes.
    const QString& name() const { return m_name; }

    // The captions of the tab's controls, from the string table.
    virtual void loadStrings() {}
    // A project was opened: the tab's controls emptied or filled from it.
    // Throws the store's refusal.
    virtual void projectOpened();
    // The tab is now the selected one.
    virtual void shown() {}
    // The states of OK, Delete, Create and Add under the tab's enabling rule.
    virtual records::ButtonStates checkForOk() = 0;
    // Cancel: the tab's controls emptied (and its record's changes dropped).
    virtual void clear() {}
    // OK: the tab's record stored. Throws the refusal (records::RecordError)
    // or the store's error; the window's command guard shows it.
    virtual void save() {}
    // After OK stored the record: the controls ready for the next one.
    virtual void clearAfterSave() { clear(); }
    // The control of the field named by a caption id (str::caption), for the
    // focus after a refusal; nullptr when the tab has none.
    virtual QWidget* field(int /*captionId*/) const { return nullptr; }
    // Delete: the tab's record removed; false when there was none.
    virtual bool remove() { return false; }
    // The author's changes dropped: the controls as they were before them.
    virtual void discard() { clear(); }
    // Whether the tab's changes wait in its controls while another tab is
    // shown (the contents tree is read again when its tab is shown).
    virtual bool keepsChangesWhenHidden() const { return true; }
    // The text the Zoom editor opens, or none when the tab has no such text.
    virtual QPlainTextEdit* zoomText() const { return nullptr; }

    // Whether the author changed the tab's record since it was last loaded,
    // saved or cleared.
    bool modified() const { return m_modified; }
    void setModified(bool modified);

    // Before the author leaves the tab's changes: Save, Discard or Cancel.
    // True when the window may go on (saved, discarded or nothing to ask).
    bool confirmChanges();

signals:
    // The enabling rule may answer otherwise now.
    void changed();
    void modifiedChanged();
    // A line for the window's status bar; 0 keeps it until the next one.
    void status(const QString& text, int timeout = 0);

protected:
    // Edits of these controls by the author mark the tab modified; changes
    // made while a record is loaded or cleared (QuietChanges) do not.
    void watch(QLineEdit* edit);
    void watch(QComboBox* box);
    void watch(QPlainTextEdit* edit);
    void watch(QAbstractButton* button);

    // Runs `picked` when the author chooses an item of `box` with the mouse,
    // with Enter or with the arrow keys. With `ask`, while the tab has
    // changes, the author is asked first (askBeforeReplacing).
    void onPick(QComboBox* box, std::function<void()> picked, bool ask = true);

    // Asks Save, Discard or Cancel when the tab has changes, with `box`
    // showing the record the changes belong to meanwhile (the one shown
    // before the item being chosen). False on Cancel: the list shows that
    // record again, or keeps what was typed when it showed none.
    bool askBeforeReplacing(QComboBox* box);

    // Changes of the controls made by the program, not the author.
    class QuietChanges {
    public:
        explicit QuietChanges(TabPage& page) : m_page(page), m_was(page.m_quiet) {
            page.m_quiet = true;
        }
        ~QuietChanges() { m_page.m_quiet = m_was; }
        QuietChanges(const QuietChanges&) = delete;
        QuietChanges& operator=(const QuietChanges&) = delete;

    private:
        TabPage& m_page;
        bool m_was;
    };

    // Delete's question, naming what goes (the project loses it at once);
    // true to delete. The status line says what went (told()).
    static bool confirmDelete(const QString& what);
    void told(const QString& message);

    // Before a help text is saved, when it holds codes that the help file
    // will not show as typed: Double the backslashes (the text in `edit`
    // becomes the one returned), Save as typed, or Go back (ui::Cancelled,
    // nothing saved, the record stays shown).
    QString confirmCodes(const QString& owner, QPlainTextEdit* edit);

    Session& session() const { return m_context.session; }
    TopicModel& topics() const { return m_context.topics; }
    ApplicationForms& forms() const { return m_context.forms; }

private:
    void edited();

    TabContext& m_context;
    QString m_name;
    bool m_modified = false;
    bool m_quiet = false;
    // What a picked list showed: now, before its last change, before the
    // author started typing into it, what the author typed last, and the
    // record shown before the item being chosen now.
    struct ListTexts {
        QString current;
        QString previous;
        QString beforeTyping;
        QString typed;
        QString shown;
        bool typing = false;
    };
    QHash<QComboBox*, ListTexts> m_lists;
};
