// Names for the numbers of the main string table (stringtable.cpp), grouped
// by use. Code passes these names to LoadResString and FillTemplate; apart
// from the table itself, the numbers appear nowhere else.
#pragma once

namespace str {

// Window title and the captions of the controls.
namespace caption {
constexpr int ProgramName = 100; // also the window title
constexpr int EntryType = 101;
constexpr int Topic = 102;
constexpr int Heading = 103;
constexpr int Add = 104;
constexpr int TopicId = 105; // "Topic ID", General Help
constexpr int Title = 106;
constexpr int Create = 107; // "C&reate", the command button
constexpr int Options = 108;
constexpr int HtmlHelp = 109;
constexpr int WindowsHelp = 110;
constexpr int VbProject = 111;
constexpr int Browse = 112;
constexpr int CreateFrame = 113; // "Create", the frame round the choices
constexpr int ContentsFile = 114;
constexpr int ContextSensitiveHelp = 115;
constexpr int ToolTips = 116;
constexpr int GeneralHelpFile = 117;
constexpr int HelpProjectFileName = 118;
constexpr int VbProjectFile = 119;
constexpr int RtfFileName = 120;
constexpr int ContentsFileName = 121;
constexpr int HelpFileName = 122;
constexpr int HelpProjectTitle = 123;
constexpr int Next = 124;
constexpr int HashFootnote = 125;
constexpr int HelpText = 126;
constexpr int EntryTopicId = 127; // "Topic ID", of a contents or What's This entry
constexpr int TopicMapNumber = 128;
constexpr int Object = 129;
constexpr int Form = 130;
constexpr int ToolTipText = 131;
constexpr int Cancel = 132;
constexpr int TopicHeader = 133;
constexpr int PlusFootnote = 134;
constexpr int DollarFootnote = 135;
constexpr int KFootnote = 136;
constexpr int Keywords = 137;
constexpr int BrowseSequence = 138;
constexpr int TopicTitle = 139;
constexpr int Delete = 160;
constexpr int ObjectHelpType = 161;
constexpr int WhatsThisHelp = 162;
constexpr int Compile = 163;
constexpr int WindowSize = 164;
constexpr int IndexFileName = 165;
constexpr int FormWhatsThisHelp = 166; // sets the WhatsThisHelp of forms
constexpr int HelpFonts = 167;         // the FONT option's field
constexpr int HelpColors = 168;        // the COLR option's field
constexpr int Ok = 817;
} // namespace caption

// Menu items.
namespace menu {
constexpr int File = 140;
constexpr int New = 141;
constexpr int Open = 142;
constexpr int Exit = 143;
constexpr int Help = 144;
constexpr int ProgramHelp = 145;
constexpr int AboutProgram = 146;
constexpr int VendorOnTheWeb = 147;
constexpr int View = 148;
constexpr int HelpFile = 149;
constexpr int WhatsThis = 150;
constexpr int ViewProjectHelp = 151;
constexpr int TreeViewCommands = 152;
constexpr int Delete = 153;
constexpr int AddHere = 154;
} // namespace menu

// Messages to the user; "|1" and "|2" are filled in.
namespace message {
constexpr int SelectVbProject = 508;
constexpr int InvalidProjectFileName = 530;
constexpr int HelpFileMissing = 549;
constexpr int NodeIntoOwnChild = 551;
constexpr int CompileFailed = 554;
constexpr int CompilerNotLoaded = 555;
constexpr int CompilerNotLoadedProperly = 556;
constexpr int NotAWholeNumber = 900;
constexpr int TooLong = 901;
constexpr int ObjectKeyTooLong = 902;
constexpr int NoMapNumberLeft = 903;
constexpr int ChooseObjectHelpType = 904;
constexpr int CommandFailed = 905;
constexpr int SettingsFileDamaged = 906;
constexpr int ProjectFileNotFound = 907;
constexpr int ProjectFileIsFolder = 908;
constexpr int ProjectFileNameWildcard = 909;
} // namespace message

// File-dialog filters; "|1" is the file extension.
namespace filter {
constexpr int IndexFiles = 263;
constexpr int ContentsFiles = 502;
constexpr int HelpFiles = 503;
constexpr int HelpProjectFiles = 504;
constexpr int HelpTopicFiles = 506;
constexpr int VbProjects = 507;
constexpr int QuillmateFiles = 509;
} // namespace filter

// Statements and statement templates.
namespace sql {
constexpr int SelectWhere = 200; // "select |1 from |2 where |3 = '|4'"
constexpr int ContentsInStoredOrder = 201;
constexpr int ActiveTopicIds = 202;
constexpr int ActiveToolTips = 204;
constexpr int ContentsByEntry = 205;
constexpr int ActiveWhatsThis = 558;
constexpr int WhatsThisOfObject = 559; // ends in an open quote
constexpr int GeneralHelpMapNumbers = 571;
constexpr int WhatsThisMapNumbers = 572;
constexpr int ToolTipLines = 592; // the fields the form writers need, by object
constexpr int HelpIdLines = 593;
constexpr int ActiveTopicIdsAmong = 595; // |1: quoted IDs, separated by commas
constexpr int WhatsThisTopics = 596;
} // namespace sql

// Table and field names in statements.
namespace table {
constexpr int Options = 250;
constexpr int GeneralHelp = 251;
constexpr int ToolTips = 252;
constexpr int WhatsThis = 253;
constexpr int ContentsFile = 254;
} // namespace table

namespace field {
constexpr int Option = 260;
constexpr int TopicId = 261;
constexpr int Object = 262;
constexpr int Status = 264;
} // namespace field

// Keys of the project's option rows.
namespace option {
constexpr int LMAP = 500; // the last map number given out
constexpr int VBPF = 511;
constexpr int HPFN = 512;
constexpr int HPJT = 513;
constexpr int HLPF = 514;
constexpr int CONF = 515;
constexpr int RTFF = 516;
constexpr int CRGH = 517;
constexpr int CRCF = 518;
constexpr int CRTT = 519;
constexpr int CRCS = 520;
constexpr int CRVB = 521;
constexpr int WINH = 522;
constexpr int HTMH = 523;
constexpr int INDX = 538;
constexpr int WHLP = 539;
constexpr int WINT = 540;
constexpr int WINW = 541; // older projects hold the width under WINT instead
constexpr int COMP = 542;
constexpr int WINL = 543;
constexpr int CRWH = 594; // WhatsThisHelp set on forms that get What's This IDs
constexpr int FONT = 650; // the fonts help texts may name (\fN), separated by ";"
constexpr int COLR = 651; // the colours help texts may name (\cfN): #RRGGBB, separated by ";"
} // namespace option

// The type of a What's This entry, as stored.
namespace helptype {
constexpr int Both = 535;
constexpr int ContextSensitive = 536; // "ConS"
constexpr int WhatsThis = 537;        // "WhtS"
} // namespace helptype

// Registry keys, their classes and values.
namespace registry {
constexpr int SettingsPath = 400;
constexpr int SettingsClass = 401;
constexpr int ToolTipControlsPath = 402;
constexpr int ToolTipControlsClass = 403;
constexpr int AppPathsPath = 404;
constexpr int AppPathsClass = 405;
constexpr int MRU0 = 545; // the recent-file value that holds a file while the list moves
} // namespace registry

// The project database.
namespace database {
constexpr int Connect = 510;
constexpr int OpenConnect = 550;
} // namespace database

// The contents tree.
namespace tree {
constexpr int RootKey = 501;
} // namespace tree

// Programs started and their arguments.
namespace program {
constexpr int Start = 548;
constexpr int HelpCompiler = 552;         // its App Paths value
constexpr int HelpCompilerSwitches = 553; // between blanks
} // namespace program

// Words and lines of the application project's files.
namespace vb {
constexpr int FormKey = caption::Form; // the project file's "Form=" lines share the caption
constexpr int AttributeName = 527;
constexpr int Begin = 528;
constexpr int BeginningOfCode = 529;
constexpr int HelpFileKey = 533;
constexpr int ToolTipText = 534;
constexpr int TempForm = 557;
constexpr int HelpContextId = 560;
constexpr int HelpContextIdLine = 561;
constexpr int WhatsThisHelpId = 562;
constexpr int WhatsThisHelpIdLine = 563;
constexpr int WhatsThisHelp = 590;         // the form's own property
constexpr int WhatsThisHelpTrueLine = 591; // as VB writes it, without the indent
} // namespace vb

// Lines of the help text (RTF) file; "|1" is the footnote's mark.
namespace rtffile {
constexpr int Header = 564;
constexpr int TopicStart = 565;
constexpr int FootnoteReference = 566;
constexpr int FootnoteMark = 567;
constexpr int TitleStart = 568;
constexpr int ParagraphsEnd = 569;
constexpr int TextStart = 570;
} // namespace rtffile

// Lines of the contents file.
namespace contentsfile {
constexpr int Base = 531;
constexpr int Title = 573;
} // namespace contentsfile

// Lines of the help project file.
namespace helpproject {
constexpr int OptionsSection = 800;
constexpr int Compress = 801;
constexpr int Lcid = 802;
constexpr int Report = 803;
constexpr int Fts = 804;
constexpr int Title = 805;
constexpr int Contents = 806;
constexpr int HelpFile = 807;
constexpr int FilesSection = 808;
constexpr int WindowsSection = 810;
constexpr int MainWindow = 811;
constexpr int MainWindowPlacement = 812;
constexpr int ConfigSection = 814;
constexpr int BrowseButtons = 815;
constexpr int MapSection = 816;
} // namespace helpproject

} // namespace str
