#include "whatsthistexts.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QWidget>
#include <iterator>

namespace ui {

namespace {

constexpr WhatsThisText kMainWindow[] = {
    // ---- The tabs and the shared buttons
    {"tabqmt",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The five parts of a project: General Help for the topics, Contents File for the contents "
         "tree, Tool Tips and What's This? for the application's controls, and Create for writing "
         "the help; Ctrl+Tab and Ctrl+PgDn switch tabs. A tab keeps its unsaved fields while "
         "another "
         "is shown; only the Contents File "
         "tab asks about unsaved changes when you leave it.")},
    {"cmdok",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Saves what the selected tab shows: the topic, the contents tree, the tool tip, the "
         "What's "
         "This entry or the Create settings (Ctrl+S). Available once the record is complete. The "
         "toolbar's Save project does the same.")},
    {"cmdcancel",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Clears the fields of the selected tab without saving. The Create tab keeps its settings; "
         "the What's This? tab keeps the form and object.")},
    {"cmddelete",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Deletes the record shown from the project: the topic, the tool tip or the What's This "
         "entry. A topic still used by contents or What's This entries is deleted only after you "
         "confirm.")},
    {"cmdcreate",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Writes everything ticked on the Create tab, saving the tab's settings first when the tab "
         "is shown, and compiles the help file when Compile is ticked. A summary then lists what "
         "was written, skipped or failed.")},

    // ---- General Help
    {"frmgenhelp",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "A general help topic: its ID, title, keywords, browse sequence, header, map number and "
         "text. Pick a topic to change it, or type a new ID, then press OK.")},
    {"cbotopicid",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic's ID (its context string), by which jumps, the contents and the application "
         "reach the topic: up to 50 characters, no blanks and none of = ; # { } \\ \". Pick a "
         "topic "
         "from the list to load it, or type a new ID to start one.")},
    {"lbltopicidfootnote",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic ID becomes the topic's # footnote, its context string in the help source.")},
    {"txttopictitle",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic's title, shown by the help viewer and in its search and contents lists (the $ "
         "footnote); up to 50 characters.")},
    {"lbltopictitlefootnote",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The topic title becomes the topic's $ footnote in the help source.")},
    {"txtkeywords",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The index entries that lead to the topic (the K footnote), separated by semicolons, for "
         "example: saving;files.")},
    {"lblkfootnote",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The keywords become the topic's K footnote: its entries in the index.")},
    {"txtbrowseseq",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic's place in the browse sequence (the + footnote): the viewer's browse buttons "
         "go "
         "through the topics in the order of these texts, for example main:010. Up to 50 "
         "characters.")},
    {"lblbrowsefootnote",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The browse sequence becomes the topic's + footnote, which orders the browse buttons.")},
    {"txttopicheader",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The heading at the top of the topic's HTML Help page (the title when it is empty); the "
         "Windows Help topic file does not use it. Up to 100 characters.")},
    {"txtmapnumber",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic's map number: the number an application uses to open this topic (a whole "
         "number from 1 to 32767; empty for none). Next proposes the next free one.")},
    {"cmdghnextmapnum",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Puts the next free map number into Topic Map Number. General Help and What's This share "
         "one counter, which moves on when you save with OK.")},
    {"txtgenhelptext",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The text of the topic. It may carry RTF codes such as {\\b bold} and jumps such as "
         "{\\uldb text}{\\v TOPIC_ID}. Zoom edit on the toolbar opens it in a larger window.")},
    {"txtgenpreview",
     QT_TRANSLATE_NOOP("WhatsThis", "The topic as its help page will show it: the header, then the "
                                    "text with its codes read. A "
                                    "word that goes missing here (a Windows path with single "
                                    "backslashes) will be missing from "
                                    "the help file too; type a backslash as \\\\.")},

    // ---- Contents File
    {"frmcontentsfile",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The contents of the help file: a tree of headings and topics. Add entries "
                       "with the fields "
                       "beside the tree, move them by dragging, and press OK to save the tree.")},
    {"tvcontentsfileview",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The contents of the help file, below the entry Contents File. Click an entry to copy it "
         "into the fields, drag it onto a heading to move it there, or right-click it to delete it "
         "or to add the next entries there. OK saves the tree.")},
    {"frmcfentrytype",
     QT_TRANSLATE_NOOP("WhatsThis", "Whether the entry you add is a topic or a heading.")},
    {"opttopic",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The entry you add is a topic: it opens the topic named in Topic ID.")},
    {"optheading",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The entry you add is a heading (a book in the contents); the entries added after it go "
         "below it.")},
    {"cbocftopicid",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic the entry opens: pick a general help topic or type its ID. Picking one fills "
         "an empty Title with the topic's title.")},
    {"txtcftitle",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The entry's text as the contents shows it; up to 50 characters. Enter adds the entry, as "
         "Add does.")},
    {"cmdaddnode",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Adds the entry below the current heading: the last heading added, or the place chosen "
         "with Add here. Needs a title, and for a topic its topic ID.")},
    {"mnutvcommands",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Commands for the entry you right-clicked in the contents tree.")},
    {"mnutvdelete",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Deletes the entry from the project at once, without OK. A heading goes with everything "
         "below it, after you confirm.")},
    {"mnucfaddhere",
     QT_TRANSLATE_NOOP("WhatsThis", "Makes this entry the place where the next entries go: into it "
                                    "for a heading, beside it for "
                                    "a topic. Nothing is added yet.")},

    // ---- Tool Tips
    {"frmtooltips", QT_TRANSLATE_NOOP("WhatsThis", "The tool tips of the application's controls. "
                                                   "Pick a form and an object, type the text and "
                                                   "press OK.")},
    {"cbottform",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The form of the application whose control gets a tool tip. The list holds the forms of "
         "the "
         "application project named on the Create tab; picking one lists its controls under "
         "Object.")},
    {"cbottobject",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The control that gets the tool tip: the form itself or one of its controls. Picking one "
         "loads its saved tool tip, if it has one.")},
    {"txttooltiptext",
     QT_TRANSLATE_NOOP("WhatsThis", "The text that appears when the mouse rests on the control. "
                                    "When Tool Tips is ticked on the "
                                    "Create tab, Create writes it into the form file.")},

    // ---- What's This?
    {"frmwhatsthis",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The help of the application's controls: which topic a control opens, with which map "
         "number and text. Pick a form and an object, fill in the help and press OK.")},
    {"cbowtform",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The form of the application whose control gets help. The list holds the forms of the "
         "application project named on the Create tab; picking one lists its controls under "
         "Object.")},
    {"cbowtobject", QT_TRANSLATE_NOOP("WhatsThis", "The control that gets help: the form itself or "
                                                   "one of its controls. Picking one loads its "
                                                   "saved entry, if it has one.")},
    {"cbowttopicid",
     QT_TRANSLATE_NOOP("WhatsThis", "The topic the control's help opens. The list holds the What's "
                                    "This topics and the general "
                                    "help topics: picking a general topic takes its text and map "
                                    "number, picking a What's This "
                                    "topic loads the control it belongs to.")},
    {"lblwttopicidfootnote",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic ID becomes the topic's # footnote, its context string in the help source.")},
    {"frmwtobjhlptype",
     QT_TRANSLATE_NOOP("WhatsThis", "Which help the control gets; tick at least one.")},
    {"chkwtwthlp",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The control gets What's This help. With Context Sensitive Help ticked on the Create tab, "
         "Create writes the map number into the form file as the control's WhatsThisHelpID.")},
    {"chkwtconsenhlp",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The control gets context-sensitive help, opened with F1. With Context Sensitive Help "
         "ticked on the Create tab, Create writes the map number into the form file as the "
         "control's HelpContextID.")},
    {"txtwtmapnumber",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The map number that links the control to its topic, a whole number from 1 to 32767. A "
         "topic has one map number: a different one for the same topic is refused. Next proposes "
         "the next free one.")},
    {"cmdwtnextmapnum",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Puts the next free map number into Topic Map Number. General Help and What's This share "
         "one counter, which moves on when you save with OK.")},
    {"txtwthelptext",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The help text shown for the control. Picking a general topic fills it with that topic's "
         "text.")},

    // ---- Create
    {"frmcreate",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "What Create writes for the project: the file names, the help type and what to create. OK "
         "keeps these settings in the project; Create writes the files.")},
    {"txthelpprojecttitle",
     QT_TRANSLATE_NOOP("WhatsThis", "The help file's title, shown in the help viewer's title bar. "
                                    "Once saved, it also shows in "
                                    "this window's title.")},
    {"txthelpprojectfilename",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The help project file Create writes (.HPJ for Windows Help, .HHP for HTML Help); the "
         "other "
         "help files go beside it. With Windows Help, leaving the field fills the empty help, "
         "contents and RTF file names from it.")},
    {"cmdhelpprojectfilebrowse",
     QT_TRANSLATE_NOOP("WhatsThis", "Chooses the help project file in a file dialog.")},
    {"txtvbprojectfilename",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The application's project file (.vbp). Its forms fill the Form lists of the Tool Tips "
         "and "
         "What's This? tabs; it is read when you leave the field or choose it with Browse.")},
    {"cmdvbproectfilebrowse",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Chooses the application's project file in a file dialog and reads its forms at once.")},
    {"txtrtffilename",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The RTF topic file Create writes from the general help topics (Windows Help only).")},
    {"cmdrtffilebrowse",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Chooses the RTF topic file in a file dialog (Windows Help only).")},
    {"txtcontentsfilename",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The contents file Create writes from the Contents File tab (.CNT for Windows Help, .HHC "
         "for HTML Help).")},
    {"cmdcontentsfilebrowse",
     QT_TRANSLATE_NOOP("WhatsThis", "Chooses the contents file in a file dialog.")},
    {"txthelpfilename",
     QT_TRANSLATE_NOOP("WhatsThis", "The compiled help file (.HLP or .CHM). View, Help File opens "
                                    "it, and VB Project writes its "
                                    "name into the application project.")},
    {"cmdhelpfilebrowse",
     QT_TRANSLATE_NOOP("WhatsThis", "Chooses the compiled help file in a file dialog.")},
    {"txtindexfilename",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The index file (.HHK) Create writes from the topics' keywords (HTML Help only).")},
    {"cmdindexfilebrowse",
     QT_TRANSLATE_NOOP("WhatsThis", "Chooses the index file in a file dialog (HTML Help only).")},
    {"txthelpfonts",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The fonts help texts may name, separated by semicolons: the first is {\\f0 ...}, the "
         "second {\\f1 ...}, and so on; a topic's own text is in the second. Empty: four Arial "
         "faces. Create declares them in the topic file and styles the HTML Help pages with them; "
         "the preview shows them. OK stores them with the project.")},
    {"txthelpcolors",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The colours help texts may name, separated by semicolons, each as #RRGGBB or "
         "red,green,blue (0 to 255): the first is {\\cf1 ...} (or {\\highlight1 ...}), the "
         "second {\\cf2 ...}, and so on. Empty: black alone. A colour that is neither is named "
         "as you leave the field, and OK refuses it.")},
    {"frmcreateoptions", QT_TRANSLATE_NOOP("WhatsThis", "What Create writes.")},
    {"chkcreategeneralhelp",
     QT_TRANSLATE_NOOP("WhatsThis", "With Windows Help, Create writes the RTF topic file and the "
                                    "help project from the general "
                                    "help topics. HTML Help always writes its pages and project.")},
    {"chkcreatecontentsfile",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "With Windows Help, Create also writes the contents file from the Contents File tab; this "
         "needs General Help File ticked. HTML Help always writes its contents file.")},
    {"chkcreatetooltips",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Create writes the texts of the Tool Tips tab into the application's form files, as the "
         "controls' ToolTipText.")},
    {"chkcreatecontextsensitivehelp",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Create writes the map numbers of the What's This? tab into the application's form files, "
         "as the controls' HelpContextID and WhatsThisHelpID. Ticking it also ticks VB Project.")},
    {"chkformwhatsthishelp",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "VB shows a control's What's This pop-up only when its form's WhatsThisHelp property is "
         "True. Ticked, Create sets it to True in every form whose controls get What's This IDs; "
         "cleared, Create names such forms in a warning and leaves them as they are. Available "
         "with "
         "Context Sensitive Help.")},
    {"frmoptions", QT_TRANSLATE_NOOP("WhatsThis", "The help format and what else Create does.")},
    {"opthelptype_0",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Writes HTML Help: a page per topic, contents (.HHC), index (.HHK), project (.HHP) and "
         "context IDs for the application, compiled into a .CHM file. The file names' extensions "
         "change to match.")},
    {"opthelptype_1",
     QT_TRANSLATE_NOOP("WhatsThis", "Writes Windows Help: an RTF topic file, project (.HPJ) and "
                                    "contents (.CNT), compiled into "
                                    "an .HLP file. The file names' extensions change to match.")},
    {"chkvbproject",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Create writes the help file's name into the HelpFile line of the application's project "
         "file. Available once an application project is named.")},
    {"chkcompile",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "After writing the help sources, Create compiles them into the help file with the help "
         "compiler (for Windows Help only when General Help File is ticked).")},
    {"cmdwinsize",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Sets the position and size of the help file's window, in the help viewer's units (0 to "
         "1024 across the screen). OK on the tab stores them with the project.")},
    {"txtwinsize",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The position and size of the help file's window, as Window Size set them; "
                       "written into the help project file when they differ from the defaults.")},

    // ---- Menus
    {"mnufile",
     QT_TRANSLATE_NOOP("WhatsThis", "Projects: New, Open, the recent projects and Exit.")},
    {"mnunew",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Creates a new, empty project file and opens it (Ctrl+N); .QMT is added when you type no "
         "extension. Unsaved changes are asked about first.")},
    {"mnuopen",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Opens a project file (.QMT) and reads the application project it names (Ctrl+O). Unsaved "
         "changes are asked about first.")},
    {"mnuimport",
     QT_TRANSLATE_NOOP(
         "WhatsThis", "Brings help an application already has into the project made with New: "
                      "nothing the project holds is changed, and a report lists what was taken and "
                      "what was left out.")},
    {"mnuimportworkshop",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Imports a help project (.HPJ: title, file names, map numbers and its "
                       "contents file), a contents file (.CNT) or a map header (.H, .HM, "
                       ".BAS) into the project.")},
    {"mnuimportvbproject",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Imports the tool tips, HelpContextIDs and WhatsThisHelpIDs the "
                       "application's forms already have, and its help file's name.")},
    {"mnuexport",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The project's topics as a printed manual (PDF) or as web help, made from "
                       "the saved project.")},
    {"mnuexportpdf",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Writes the manual as a PDF file: a title page, the contents with page "
                       "numbers, then every topic on its own page, in contents order (topics the "
                       "contents leave out after them).")},
    {"mnuexportweb",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Writes web help into the folder of the start page you name (index.html): "
                       "a page per topic, the contents, the index and a search that runs in the "
                       "browser, from disk or any web server.")},
    {"mnuprintpreview",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Shows the manual (title page, contents with page numbers, every topic) "
                       "as it will print, and prints it from there.")},
    {"mnuprint",
     QT_TRANSLATE_NOOP(
         "WhatsThis", "Prints the manual: a title page, the contents with page numbers, then every "
                      "topic in contents order (Ctrl+P).")},
    {"mnuexit",
     QT_TRANSLATE_NOOP("WhatsThis", "Closes Quillmate. Unsaved changes are asked about first.")},
    {"mnusave",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Saves what the selected tab shows, as the OK button (Ctrl+S). Available once the "
         "record is complete; the status line says what is still missing.")},
    {"mnuedit", QT_TRANSLATE_NOOP(
                    "WhatsThis",
                    "The commands on the record the selected tab shows: Zoom, Delete, Cancel, and "
                    "Create.")},
    {"mnuzoom",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Opens the help text of the General Help tab in a larger editor window; its text comes "
         "back when you close it. Only on the General Help tab with a project open.")},
    {"mnudelete",
     QT_TRANSLATE_NOOP("WhatsThis", "Deletes the record shown, as the Delete button.")},
    {"mnucancel",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Clears the fields of the selected tab without saving, as the Cancel button.")},
    {"mnucreate",
     QT_TRANSLATE_NOOP("WhatsThis", "Writes the help and the form files, as the Create button.")},
    {"mnuview", QT_TRANSLATE_NOOP("WhatsThis", "Shows the help file the project makes.")},
    {"mnuviewhelpfile",
     QT_TRANSLATE_NOOP("WhatsThis", "Opens the help file named on the Create tab with the "
                                    "desktop's viewer, or says that it is "
                                    "missing.")},
    {"mnuhelp", QT_TRANSLATE_NOOP(
                    "WhatsThis",
                    "Help on Quillmate: the user guide, What's This, the version and the maker.")},
    {"mnuproghelp",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Opens Quillmate's user guide (F1), or says why it could not be shown.")},
    {"mnuwhatsthis",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Switches to What's This mode (Shift+F1): the next click on a control explains it, as "
         "here. Esc leaves the mode.")},
    {"mnuaboutqmt", QT_TRANSLATE_NOOP("WhatsThis", "Shows Quillmate's version.")},
    {"mnuaboutkrv", QT_TRANSLATE_NOOP("WhatsThis", "Opens the maker's web site in your browser.")},
    {"mnuviewprojecthelp",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Opens the help file compiled for this project. Shown once Create has compiled it.")},

    {"stbstatus",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Says what the last command did: a record saved, a project opened, Create's "
                       "outcome.")},
    {"lblpending",
     QT_TRANSLATE_NOOP(
         "WhatsThis", "What OK still needs on the selected tab, and the tabs with changes that are "
                      "not saved yet.")},

    // ---- Toolbar
    {"Toolbar1",
     QT_TRANSLATE_NOOP("WhatsThis", "The most used commands; point at a button to see its name.")},
};

constexpr WhatsThisText kEditor[] = {
    {"rtbeditor",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The help text of the topic in a larger box. OK puts it back into Help Text (press OK "
         "on the General Help tab to save it); Cancel, Escape or closing the window drop the "
         "edits. Right-click for Cut, Copy and Paste.")},
    {"txtzoompreview",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "The topic as its help page will show it: the text with its RTF codes read, following "
         "your typing.")},
    {"cmdzoombuttons",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "OK puts the text back into Help Text; Cancel leaves Help Text as it was.")},
    {"Toolbar1",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Cut, Copy and Paste; the text is plain, its formatting comes from its codes.")},
    {"Toolbar1_1", QT_TRANSLATE_NOOP("WhatsThis", "Moves the selected text to the clipboard.")},
    {"Toolbar1_2", QT_TRANSLATE_NOOP("WhatsThis", "Copies the selected text to the clipboard.")},
    {"Toolbar1_3",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Puts the clipboard's text at the cursor, replacing the selected text.")},
    {"Toolbar1_5",
     QT_TRANSLATE_NOOP("WhatsThis", "Not in use: the text is plain and has no bold.")},
    {"Toolbar1_6",
     QT_TRANSLATE_NOOP("WhatsThis", "Not in use: the text is plain and has no italics.")},
    {"Toolbar1_7",
     QT_TRANSLATE_NOOP("WhatsThis", "Not in use: the text is plain and has no underlining.")},
    {"Toolbar1_8",
     QT_TRANSLATE_NOOP("WhatsThis", "Not in use: the text is plain and has no fonts.")},
    {"Toolbar1_10",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Not in use: the text is plain and has no alignment, so this does nothing (type \\qc "
         "for a centred paragraph).")},
    {"Toolbar1_11",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Not in use: the text is plain and has no alignment, so this does nothing (type \\qc "
         "for a centred paragraph).")},
    {"Toolbar1_12",
     QT_TRANSLATE_NOOP(
         "WhatsThis",
         "Not in use: the text is plain and has no alignment, so this does nothing (type \\qc "
         "for a centred paragraph).")},
    {"mnuediting", QT_TRANSLATE_NOOP("WhatsThis", "Cut, Copy and Paste for the text.")},
    {"mnucut", QT_TRANSLATE_NOOP("WhatsThis", "Moves the selected text to the clipboard.")},
    {"mnucopy", QT_TRANSLATE_NOOP("WhatsThis", "Copies the selected text to the clipboard.")},
    {"mnupaste",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "Puts the clipboard's text at the cursor, replacing the selected text.")},
};

constexpr WhatsThisText kWindowSize[] = {
    {"txtwinleft",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The left edge of the help window, from 0 (the screen's left) to 1024.")},
    {"txtwintop",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The top edge of the help window, from 0 (the screen's top) to 1024.")},
    {"txtwinwidth",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The width of the help window, 1024 being the screen's width.")},
    {"txtwinheight",
     QT_TRANSLATE_NOOP("WhatsThis",
                       "The height of the help window, 1024 being the screen's height.")},
    {"cmdwinsizebuttons",
     QT_TRANSLATE_NOOP("WhatsThis", "OK takes the numbers for the Create tab (its OK stores them), "
                                    "Cancel leaves them as they were, Restore Defaults shows the "
                                    "defaults: pos(240,98) size(769,547).")},
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
        // Marked for translation where the table is written, translated here.
        const QString text = QCoreApplication::translate("WhatsThis", entry.text);
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
