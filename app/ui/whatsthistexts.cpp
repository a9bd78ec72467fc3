#include "whatsthistexts.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QWidget>
#include <iterator>

namespace ui {

namespace {

constexpr WhatsThisText kMainWindow[] = {
    // ---- The tabs and the shared buttons
    {"tabqmt",
     "The five parts of a project: General Help for the topics, Contents File for the contents "
     "tree, Tool Tips and What's This? for the application's controls, and Create for writing "
     "the help; Ctrl+Tab and Ctrl+PgDn switch tabs. A tab keeps its unsaved fields while another "
     "is shown; only the Contents File "
     "tab asks about unsaved changes when you leave it."},
    {"cmdok",
     "Saves what the selected tab shows: the topic, the contents tree, the tool tip, the What's "
     "This entry or the Create settings (Ctrl+S). Available once the record is complete. The "
     "toolbar's Save project does the same."},
    {"cmdcancel",
     "Clears the fields of the selected tab without saving. The Create tab keeps its settings; "
     "the What's This? tab keeps the form and object."},
    {"cmddelete",
     "Deletes the record shown from the project: the topic, the tool tip or the What's This "
     "entry. A topic still used by contents or What's This entries is deleted only after you "
     "confirm."},
    {"cmdcreate",
     "Writes everything ticked on the Create tab, saving the tab's settings first when the tab "
     "is shown, and compiles the help file when Compile is ticked. A summary then lists what "
     "was written, skipped or failed."},

    // ---- General Help
    {"frmgenhelp",
     "A general help topic: its ID, title, keywords, browse sequence, header, map number and "
     "text. Pick a topic to change it, or type a new ID, then press OK."},
    {"cbotopicid",
     "The topic's ID (its context string), by which jumps, the contents and the application "
     "reach the topic: up to 50 characters, no blanks and none of = ; # { } \\ \". Pick a topic "
     "from the list to load it, or type a new ID to start one."},
    {"lbltopicidfootnote",
     "The topic ID becomes the topic's # footnote, its context string in the help source."},
    {"txttopictitle",
     "The topic's title, shown by the help viewer and in its search and contents lists (the $ "
     "footnote); up to 50 characters."},
    {"lbltopictitlefootnote", "The topic title becomes the topic's $ footnote in the help source."},
    {"txtkeywords",
     "The index entries that lead to the topic (the K footnote), separated by semicolons, for "
     "example: saving;files."},
    {"lblkfootnote", "The keywords become the topic's K footnote: its entries in the index."},
    {"txtbrowseseq",
     "The topic's place in the browse sequence (the + footnote): the viewer's browse buttons go "
     "through the topics in the order of these texts, for example main:010. Up to 50 "
     "characters."},
    {"lblbrowsefootnote",
     "The browse sequence becomes the topic's + footnote, which orders the browse buttons."},
    {"txttopicheader",
     "The heading at the top of the topic's HTML Help page (the title when it is empty); the "
     "Windows Help topic file does not use it. Up to 100 characters."},
    {"txtmapnumber",
     "The topic's map number: the number an application uses to open this topic (a whole "
     "number from 1 to 32767; empty for none). Next proposes the next free one."},
    {"cmdghnextmapnum",
     "Puts the next free map number into Topic Map Number. General Help and What's This share "
     "one counter, which moves on when you save with OK."},
    {"txtgenhelptext",
     "The text of the topic. It may carry RTF codes such as {\\b bold} and jumps such as "
     "{\\uldb text}{\\v TOPIC_ID}. Zoom edit on the toolbar opens it in a larger window."},
    {"txtgenpreview",
     "The topic as its help page will show it: the header, then the text with its codes read. A "
     "word that goes missing here (a Windows path with single backslashes) will be missing from "
     "the help file too; type a backslash as \\\\."},

    // ---- Contents File
    {"frmcontentsfile",
     "The contents of the help file: a tree of headings and topics. Add entries with the fields "
     "beside the tree, move them by dragging, and press OK to save the tree."},
    {"tvcontentsfileview",
     "The contents of the help file, below the entry Contents File. Click an entry to copy it "
     "into the fields, drag it onto a heading to move it there, or right-click it to delete it "
     "or to add the next entries there. OK saves the tree."},
    {"frmcfentrytype", "Whether the entry you add is a topic or a heading."},
    {"opttopic", "The entry you add is a topic: it opens the topic named in Topic ID."},
    {"optheading",
     "The entry you add is a heading (a book in the contents); the entries added after it go "
     "below it."},
    {"cbocftopicid",
     "The topic the entry opens: pick a general help topic or type its ID. Picking one fills "
     "an empty Title with the topic's title."},
    {"txtcftitle",
     "The entry's text as the contents shows it; up to 50 characters. Enter adds the entry, as "
     "Add does."},
    {"cmdaddnode",
     "Adds the entry below the current heading: the last heading added, or the place chosen "
     "with Add here. Needs a title, and for a topic its topic ID."},
    {"mnutvcommands", "Commands for the entry you right-clicked in the contents tree."},
    {"mnutvdelete",
     "Deletes the entry from the project at once, without OK. A heading goes with everything "
     "below it, after you confirm."},
    {"mnucfaddhere",
     "Makes this entry the place where the next entries go: into it for a heading, beside it for "
     "a topic. Nothing is added yet."},

    // ---- Tool Tips
    {"frmtooltips",
     "The tool tips of the application's controls. Pick a form and an object, type the text and "
     "press OK."},
    {"cbottform",
     "The form of the application whose control gets a tool tip. The list holds the forms of the "
     "application project named on the Create tab; picking one lists its controls under "
     "Object."},
    {"cbottobject",
     "The control that gets the tool tip: the form itself or one of its controls. Picking one "
     "loads its saved tool tip, if it has one."},
    {"txttooltiptext",
     "The text that appears when the mouse rests on the control. When Tool Tips is ticked on the "
     "Create tab, Create writes it into the form file."},

    // ---- What's This?
    {"frmwhatsthis",
     "The help of the application's controls: which topic a control opens, with which map "
     "number and text. Pick a form and an object, fill in the help and press OK."},
    {"cbowtform",
     "The form of the application whose control gets help. The list holds the forms of the "
     "application project named on the Create tab; picking one lists its controls under "
     "Object."},
    {"cbowtobject",
     "The control that gets help: the form itself or one of its controls. Picking one loads its "
     "saved entry, if it has one."},
    {"cbowttopicid",
     "The topic the control's help opens. The list holds the What's This topics and the general "
     "help topics: picking a general topic takes its text and map number, picking a What's This "
     "topic loads the control it belongs to."},
    {"lblwttopicidfootnote",
     "The topic ID becomes the topic's # footnote, its context string in the help source."},
    {"frmwtobjhlptype", "Which help the control gets; tick at least one."},
    {"chkwtwthlp",
     "The control gets What's This help. With Context Sensitive Help ticked on the Create tab, "
     "Create writes the map number into the form file as the control's WhatsThisHelpID."},
    {"chkwtconsenhlp",
     "The control gets context-sensitive help, opened with F1. With Context Sensitive Help "
     "ticked on the Create tab, Create writes the map number into the form file as the "
     "control's HelpContextID."},
    {"txtwtmapnumber",
     "The map number that links the control to its topic, a whole number from 1 to 32767. A "
     "topic has one map number: a different one for the same topic is refused. Next proposes "
     "the next free one."},
    {"cmdwtnextmapnum",
     "Puts the next free map number into Topic Map Number. General Help and What's This share "
     "one counter, which moves on when you save with OK."},
    {"txtwthelptext",
     "The help text shown for the control. Picking a general topic fills it with that topic's "
     "text."},

    // ---- Create
    {"frmcreate",
     "What Create writes for the project: the file names, the help type and what to create. OK "
     "keeps these settings in the project; Create writes the files."},
    {"txthelpprojecttitle",
     "The help file's title, shown in the help viewer's title bar. Once saved, it also shows in "
     "this window's title."},
    {"txthelpprojectfilename",
     "The help project file Create writes (.HPJ for Windows Help, .HHP for HTML Help); the other "
     "help files go beside it. With Windows Help, leaving the field fills the empty help, "
     "contents and RTF file names from it."},
    {"cmdhelpprojectfilebrowse", "Chooses the help project file in a file dialog."},
    {"txtvbprojectfilename",
     "The application's project file (.vbp). Its forms fill the Form lists of the Tool Tips and "
     "What's This? tabs; it is read when you leave the field or choose it with Browse."},
    {"cmdvbproectfilebrowse",
     "Chooses the application's project file in a file dialog and reads its forms at once."},
    {"txtrtffilename",
     "The RTF topic file Create writes from the general help topics (Windows Help only)."},
    {"cmdrtffilebrowse", "Chooses the RTF topic file in a file dialog (Windows Help only)."},
    {"txtcontentsfilename",
     "The contents file Create writes from the Contents File tab (.CNT for Windows Help, .HHC "
     "for HTML Help)."},
    {"cmdcontentsfilebrowse", "Chooses the contents file in a file dialog."},
    {"txthelpfilename",
     "The compiled help file (.HLP or .CHM). View, Help File opens it, and VB Project writes its "
     "name into the application project."},
    {"cmdhelpfilebrowse", "Chooses the compiled help file in a file dialog."},
    {"txtindexfilename",
     "The index file (.HHK) Create writes from the topics' keywords (HTML Help only)."},
    {"cmdindexfilebrowse", "Chooses the index file in a file dialog (HTML Help only)."},
    {"frmcreateoptions", "What Create writes."},
    {"chkcreategeneralhelp",
     "With Windows Help, Create writes the RTF topic file and the help project from the general "
     "help topics. HTML Help always writes its pages and project."},
    {"chkcreatecontentsfile",
     "With Windows Help, Create also writes the contents file from the Contents File tab; this "
     "needs General Help File ticked. HTML Help always writes its contents file."},
    {"chkcreatetooltips",
     "Create writes the texts of the Tool Tips tab into the application's form files, as the "
     "controls' ToolTipText."},
    {"chkcreatecontextsensitivehelp",
     "Create writes the map numbers of the What's This? tab into the application's form files, "
     "as the controls' HelpContextID and WhatsThisHelpID. Ticking it also ticks VB Project."},
    {"chkformwhatsthishelp",
     "VB shows a control's What's This pop-up only when its form's WhatsThisHelp property is "
     "True. Ticked, Create sets it to True in every form whose controls get What's This IDs; "
     "cleared, Create names such forms in a warning and leaves them as they are. Available with "
     "Context Sensitive Help."},
    {"frmoptions", "The help format and what else Create does."},
    {"opthelptype_0",
     "Writes HTML Help: a page per topic, contents (.HHC), index (.HHK), project (.HHP) and "
     "context IDs for the application, compiled into a .CHM file. The file names' extensions "
     "change to match."},
    {"opthelptype_1",
     "Writes Windows Help: an RTF topic file, project (.HPJ) and contents (.CNT), compiled into "
     "an .HLP file. The file names' extensions change to match."},
    {"chkvbproject",
     "Create writes the help file's name into the HelpFile line of the application's project "
     "file. Available once an application project is named."},
    {"chkcompile",
     "After writing the help sources, Create compiles them into the help file with the help "
     "compiler (for Windows Help only when General Help File is ticked)."},
    {"cmdwinsize",
     "Sets the position and size of the help file's window, in the help viewer's units (0 to "
     "1024 across the screen). OK on the tab stores them with the project."},
    {"txtwinsize", "The position and size of the help file's window, as Window Size set them; "
                   "written into the help project file when they differ from the defaults."},

    // ---- Menus
    {"mnufile", "Projects: New, Open, the recent projects and Exit."},
    {"mnunew",
     "Creates a new, empty project file and opens it (Ctrl+N); .QMT is added when you type no "
     "extension. Unsaved changes are asked about first."},
    {"mnuopen",
     "Opens a project file (.QMT) and reads the application project it names (Ctrl+O). Unsaved "
     "changes are asked about first."},
    {"mnuimport", "Brings help an application already has into the project made with New: "
                  "nothing the project holds is changed, and a report lists what was taken and "
                  "what was left out."},
    {"mnuimportworkshop", "Imports a help project (.HPJ: title, file names, map numbers and its "
                          "contents file), a contents file (.CNT) or a map header (.H, .HM, "
                          ".BAS) into the project."},
    {"mnuimportvbproject", "Imports the tool tips, HelpContextIDs and WhatsThisHelpIDs the "
                           "application's forms already have, and its help file's name."},
    {"mnuexport", "The project's topics as a printed manual (PDF) or as web help, made from "
                  "the saved project."},
    {"mnuexportpdf", "Writes the manual as a PDF file: a title page, the contents with page "
                     "numbers, then every topic on its own page, in contents order (topics the "
                     "contents leave out after them)."},
    {"mnuexportweb", "Writes web help into the folder of the start page you name (index.html): "
                     "a page per topic, the contents, the index and a search that runs in the "
                     "browser, from disk or any web server."},
    {"mnuprintpreview", "Shows the manual (title page, contents with page numbers, every topic) "
                        "as it will print, and prints it from there."},
    {"mnuprint", "Prints the manual: a title page, the contents with page numbers, then every "
                 "topic in contents order (Ctrl+P)."},
    {"mnuexit", "Closes Quillmate. Unsaved changes are asked about first."},
    {"mnusave", "Saves what the selected tab shows, as the OK button (Ctrl+S). Available once the "
                "record is complete; the status line says what is still missing."},
    {"mnuedit", "The commands on the record the selected tab shows: Zoom, Delete, Cancel, and "
                "Create."},
    {"mnuzoom",
     "Opens the help text of the General Help tab in a larger editor window; its text comes "
     "back when you close it. Only on the General Help tab with a project open."},
    {"mnudelete", "Deletes the record shown, as the Delete button."},
    {"mnucancel", "Clears the fields of the selected tab without saving, as the Cancel button."},
    {"mnucreate", "Writes the help and the form files, as the Create button."},
    {"mnuview", "Shows the help file the project makes."},
    {"mnuviewhelpfile",
     "Opens the help file named on the Create tab with the desktop's viewer, or says that it is "
     "missing."},
    {"mnuhelp", "Help on Quillmate: the user guide, What's This, the version and the maker."},
    {"mnuproghelp", "Opens Quillmate's user guide (F1), or says why it could not be shown."},
    {"mnuwhatsthis",
     "Switches to What's This mode (Shift+F1): the next click on a control explains it, as "
     "here. Esc leaves the mode."},
    {"mnuaboutqmt", "Shows Quillmate's version."},
    {"mnuaboutkrv", "Opens the maker's web site in your browser."},
    {"mnuviewprojecthelp",
     "Opens the help file compiled for this project. Shown once Create has compiled it."},

    {"stbstatus", "Says what the last command did: a record saved, a project opened, Create's "
                  "outcome."},
    {"lblpending", "What OK still needs on the selected tab, and the tabs with changes that are "
                   "not saved yet."},

    // ---- Toolbar
    {"Toolbar1", "The most used commands; point at a button to see its name."},
};

constexpr WhatsThisText kEditor[] = {
    {"rtbeditor",
     "The help text of the topic in a larger box. OK puts it back into Help Text (press OK "
     "on the General Help tab to save it); Cancel, Escape or closing the window drop the "
     "edits. Right-click for Cut, Copy and Paste."},
    {"txtzoompreview",
     "The topic as its help page will show it: the text with its RTF codes read, following "
     "your typing."},
    {"cmdzoombuttons", "OK puts the text back into Help Text; Cancel leaves Help Text as it was."},
    {"Toolbar1", "Cut, Copy and Paste; the text is plain, its formatting comes from its codes."},
    {"Toolbar1_1", "Moves the selected text to the clipboard."},
    {"Toolbar1_2", "Copies the selected text to the clipboard."},
    {"Toolbar1_3", "Puts the clipboard's text at the cursor, replacing the selected text."},
    {"Toolbar1_5", "Not in use: the text is plain and has no bold."},
    {"Toolbar1_6", "Not in use: the text is plain and has no italics."},
    {"Toolbar1_7", "Not in use: the text is plain and has no underlining."},
    {"Toolbar1_8", "Not in use: the text is plain and has no fonts."},
    {"Toolbar1_10",
     "Not in use: the text is plain and has no alignment, so this does nothing (type \\qc "
     "for a centred paragraph)."},
    {"Toolbar1_11",
     "Not in use: the text is plain and has no alignment, so this does nothing (type \\qc "
     "for a centred paragraph)."},
    {"Toolbar1_12",
     "Not in use: the text is plain and has no alignment, so this does nothing (type \\qc "
     "for a centred paragraph)."},
    {"mnuediting", "Cut, Copy and Paste for the text."},
    {"mnucut", "Moves the selected text to the clipboard."},
    {"mnucopy", "Copies the selected text to the clipboard."},
    {"mnupaste", "Puts the clipboard's text at the cursor, replacing the selected text."},
};

constexpr WhatsThisText kWindowSize[] = {
    {"txtwinleft", "The left edge of the help window, from 0 (the screen's left) to 1024."},
    {"txtwintop", "The top edge of the help window, from 0 (the screen's top) to 1024."},
    {"txtwinwidth", "The width of the help window, 1024 being the screen's width."},
    {"txtwinheight", "The height of the help window, 1024 being the screen's height."},
    {"cmdwinsizebuttons", "OK takes the numbers for the Create tab (its OK stores them), "
                          "Cancel leaves them as they were, Restore Defaults shows the "
                          "defaults: pos(240,98) size(769,547)."},
};

// Whether `object` belongs to `window` rather than to a window inside it
// that has texts of its own (the editor opened from the main window).
bool belongsTo(const QObject* object, const QWidget* window) {
    for (const QObject* o = object->parent(); o && o != window; o = o->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(o);
        if (widget && widget->isWindow() && !whatsThisTexts(widget).empty())
            return false;
    }
    return true;
}

void setText(QObject* object, const QString& text) {
    if (auto* widget = qobject_cast<QWidget*>(object))
        widget->setWhatsThis(text);
    else if (auto* action = qobject_cast<QAction*>(object))
        action->setWhatsThis(text);
    // A menu's title in the menu bar is its menu action.
    if (auto* menu = qobject_cast<QMenu*>(object))
        menu->menuAction()->setWhatsThis(text);
}

} // namespace

std::span<const WhatsThisText> mainWindowWhatsThisTexts() {
    return kMainWindow;
}

std::span<const WhatsThisText> editorWhatsThisTexts() {
    return kEditor;
}

std::span<const WhatsThisText> whatsThisTexts(const QWidget* window) {
    if (!window)
        return {};
    if (window->objectName() == QLatin1String("FrmMain"))
        return kMainWindow;
    if (window->objectName() == QLatin1String("frmtextedit"))
        return kEditor;
    if (window->objectName() == QLatin1String("frmwindowsize"))
        return kWindowSize;
    return {};
}

void applyWhatsThisTexts(QWidget* window) {
    for (const WhatsThisText& entry : whatsThisTexts(window)) {
        const QString text = QString::fromUtf8(entry.text);
        for (QObject* object : window->findChildren<QObject*>(QLatin1String(entry.name))) {
            if (belongsTo(object, window))
                setText(object, text);
        }
    }
    // Clicking a field's caption explains the field.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() && label->whatsThis().isEmpty() && belongsTo(label, window))
            label->setWhatsThis(label->buddy()->whatsThis());
    }
}

} // namespace ui
