// Fuzz target: application project and form files as the readers and the
// writers take them. Besides crashes and sanitizer reports it checks what
// the writers promise: a second rewrite changes nothing, and every line of
// the input that is not of the property written stays, in order.
#include "appproject/formwriters.h"
#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "generation/generalhelp.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace QMTCOdeMod;

namespace {

std::vector<std::string_view> linesOf(std::string_view bytes) {
    std::vector<std::string_view> lines;
    ForEachLine(bytes, [&](std::string_view line, std::size_t) { lines.push_back(line); });
    return lines;
}

// Every line of `in` whose property is none of `written` appears in `out`, in order.
bool keepsLines(std::string_view in, std::string_view out,
                std::initializer_list<std::string_view> written) {
    const std::vector<std::string_view> after = linesOf(out);
    std::size_t at = 0;
    for (std::string_view line : linesOf(in)) {
        const std::string_view name = PropertyName(line);
        bool skip = false;
        for (std::string_view w : written)
            skip = skip || name == w;
        if (skip)
            continue;
        while (at < after.size() && after[at] != line)
            ++at;
        if (at == after.size())
            return false;
        ++at;
    }
    return true;
}

void require(bool condition) {
    if (!condition)
        std::abort();
}

template <class Rewrite>
void checkWriter(std::string_view in, const QString& form, const QHash<QString, QVariantList>& e,
                 Rewrite rewrite, std::initializer_list<std::string_view> written) {
    FormWriteResult result;
    const QByteArray once =
        rewrite(QByteArrayView(in.data(), qsizetype(in.size())), form, e, result);
    const QByteArray twice = rewrite(once, form, e, result);
    require(once == twice);
    require(keepsLines(in, view(once), written));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    // The reader: the form's name and objects.
    const QString form = FormNameIn(in);
    const std::vector<FormObject> objects = FormObjectsIn(in);

    // Every object gets a tool tip and both help numbers.
    QHash<QString, QVariantList> tips;
    QHash<QString, QVariantList> ids;
    int number = 0;
    for (const FormObject& object : objects) {
        const QString key = form + u'.' + object.name;
        tips.insert(key, {QStringLiteral("tip \"%1\"").arg(number)});
        ids.insert(key, {number++ % 32768, QStringLiteral("Both")});
    }
    checkWriter(in, form, tips, RewriteFormToolTips, {"ToolTipText"});
    checkWriter(in, form, ids, RewriteFormHelpIds, {"HelpContextID", "WhatsThisHelpID"});

    // Both writers in one pass write what one after the other writes; with
    // the form's WhatsThisHelp set as well, a second pass changes nothing.
    const QByteArrayView bytes(in.data(), qsizetype(in.size()));
    FormWriteResult result;
    const QByteArray both = RewriteForm(bytes, form, tips, ids, {true, true, false}, result);
    require(both ==
            RewriteFormHelpIds(RewriteFormToolTips(bytes, form, tips, result), form, ids, result));
    const QByteArray set = RewriteForm(bytes, form, tips, ids, {true, true, true}, result);
    require(RewriteForm(set, form, tips, ids, {true, true, true}, result) == set);

    // The application project's HelpFile line.
    const QByteArray vbp = WithHelpFileLine(QByteArrayView(in.data(), qsizetype(in.size())),
                                            QStringLiteral("help.hlp"));
    require(WithHelpFileLine(vbp, QStringLiteral("help.hlp")) == vbp);
    return 0;
}
