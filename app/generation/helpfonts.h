// The fonts and colours help texts may name (\fN, \cfN, \highlightN): the
// project's FONT and COLR options, else the four Arial faces and the one
// black that topic files have always declared. The topic file declares them
// and the HTML Help pages style their text from the same lists.
#pragma once

#include "rtf/helptext.h"
#include "workspace/createsettings.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct HelpFonts {
    QStringList faces;                 // \f0, \f1 ...
    std::vector<std::uint32_t> colors; // \cf1, \cf2 ... as 0x00BBGGRR (\cf0: the automatic colour)
    bool standard = true;              // the lists every topic file had before the options

    // Create writes a topic's text in \f1 (its heading too): the face text
    // without \fN shows in; empty for the standard lists.
    static constexpr int kTextFont = 1;
    QString textFace() const;
};

// The lists from the options: faces separated by ";", colours as #RRGGBB
// (or "red,green,blue") separated by ";". A face with an RTF delimiter in it
// or a colour that does not read is named in `problems`; the colour counts as
// black, so that the numbers after it stay.
HelpFonts HelpFontsOf(const CreateSettings& settings, QStringList* problems = nullptr);

// The same faults as the window names them before anything is written: the
// same sentences without what would stand in their place.
QStringList HelpFontsProblems(const CreateSettings& settings);

// "{\fonttbl ...}{\colortbl;...;}" for the topic file's header.
QString RtfFontAndColorTables(const HelpFonts& fonts);

// The pages' look-ups of the same faces and colours.
void SetHtmlFonts(rtf::HtmlLinks& links, const HelpFonts& fonts);
