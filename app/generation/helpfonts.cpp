#include "helpfonts.h"

namespace {

const QStringList kStandardFaces = {QStringLiteral("Arial"), QStringLiteral("Arial"),
                                    QStringLiteral("Arial"), QStringLiteral("Arial")};

bool readColor(const QString& text, std::uint32_t& color) {
    const QString t = text.trimmed();
    bool ok = false;
    if (t.startsWith(u'#') && t.size() == 7) {
        const unsigned rgb = t.mid(1).toUInt(&ok, 16);
        color = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        return ok;
    }
    const QStringList parts = t.split(u',');
    if (parts.size() != 3)
        return false;
    color = 0;
    for (int i = 0; i < 3; ++i) {
        const int v = parts[i].trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 255)
            return false;
        color |= std::uint32_t(v) << (8 * i);
    }
    return true;
}

// The lists and, for each face or colour that cannot be used, a sentence
// naming it; `atCreate` adds what stands in its place in the help file.
HelpFonts readLists(const CreateSettings& s, QStringList* problems, bool atCreate) {
    HelpFonts f;
    f.faces = kStandardFaces;
    f.colors = {0};
    const QString faces = s.helpFonts.trimmed();
    const QString colors = s.helpColors.trimmed();
    f.standard = faces.isEmpty() && colors.isEmpty();
    const auto tell = [&](const QString& fault, const char* standIn) {
        if (problems)
            *problems << (atCreate ? QString(fault + u"; " + QLatin1String(standIn)) : fault) +
                             u'.';
    };
    if (!faces.isEmpty()) {
        f.faces.clear();
        for (QString face : faces.split(u';')) {
            face = face.trimmed();
            if (face.contains(u'{') || face.contains(u'}') || face.contains(u'\\')) {
                tell(QStringLiteral("The font \"%1\" of the FONT option holds a brace or a "
                                    "backslash")
                         .arg(face),
                     "Arial stands in its place");
                face = QStringLiteral("Arial");
            }
            f.faces << (face.isEmpty() ? QStringLiteral("Arial") : face);
        }
    }
    if (!colors.isEmpty()) {
        for (const QString& c : colors.split(u';')) {
            std::uint32_t color = 0;
            // An empty place (";;", a ";" at the end) is black, as an empty face is Arial.
            if (!c.trimmed().isEmpty() && !readColor(c, color))
                tell(QStringLiteral("The colour \"%1\" of the COLR option is neither #RRGGBB "
                                    "nor red,green,blue")
                         .arg(c.trimmed()),
                     "black stands in its place");
            f.colors.push_back(color);
        }
    } else {
        f.colors.push_back(0); // \cf1: black
    }
    return f;
}

} // namespace

HelpFonts HelpFontsOf(const CreateSettings& s, QStringList* problems) {
    return readLists(s, problems, true);
}

QStringList HelpFontsProblems(const CreateSettings& s) {
    QStringList problems;
    readLists(s, &problems, false);
    return problems;
}

QString HelpFonts::textFace() const {
    return standard ? QString() : faces.value(kTextFont, faces.value(0));
}

QString RtfFontAndColorTables(const HelpFonts& f) {
    QString t = QStringLiteral("{\\fonttbl");
    for (qsizetype i = 0; i < f.faces.size(); ++i)
        t += u"{\\f" % QString::number(i) % u"\\fswiss " % f.faces[i] % u";}";
    t += QStringLiteral("}{\\colortbl;");
    for (std::size_t i = 1; i < f.colors.size(); ++i) {
        const std::uint32_t c = f.colors[i];
        t += u"\\red" % QString::number(c & 0xFF) % u"\\green" % QString::number((c >> 8) & 0xFF) %
             u"\\blue" % QString::number((c >> 16) & 0xFF) % u';';
    }
    return t + u'}';
}

void SetHtmlFonts(rtf::HtmlLinks& links, const HelpFonts& f) {
    links.colors = f.colors;
    if (f.standard)
        return; // the pages' own font stands for the four Arial faces
    links.fontFace = [faces = f.faces](int font) { return faces.value(font); };
}
