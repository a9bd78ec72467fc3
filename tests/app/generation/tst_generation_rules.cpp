// File-name routines, automatic names, help-type extensions and the enabling
// rule of the Create tab.
#include "generation/createrules.h"

#include <QtTest>

class TestGenerationRules : public QObject {
    Q_OBJECT

private slots:
    void changeFileExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty gives the extension") << ""
                                                   << "HLP"
                                                   << "HLP";
        QTest::newRow("no full stop") << "help"
                                      << "HLP"
                                      << "HLP";
        QTest::newRow("plain") << "C:\\p\\help.hpj"
                               << "HHP"
                               << "C:\\p\\help.HHP";
        QTest::newRow("last full stop") << "a.b.hpj"
                                        << "CNT"
                                        << "a.b.CNT";
        QTest::newRow("trailing full stop") << "help."
                                            << "HLP"
                                            << "help.HLP";
        QTest::newRow("crosses a backslash") << "C:\\my.dir\\help"
                                             << "HPJ"
                                             << "C:\\my.HPJ";
    }
    void changeFileExtension() {
        QFETCH(QString, name);
        QFETCH(QString, ext);
        QFETCH(QString, expected);
        QCOMPARE(ChangeFileExtension(name, ext), expected);
    }

    void removeFileExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no full stop") << "help"
                                      << "";
        QTest::newRow("full stop first") << ".hpj"
                                         << "";
        QTest::newRow("full stop second") << "a.hpj"
                                          << "";
        QTest::newRow("full stop third") << "ab.hpj"
                                         << "ab";
        QTest::newRow("path") << "/p/help.hpj"
                              << "/p/help";
        QTest::newRow("last full stop wins") << "/p/my.help.hpj"
                                             << "/p/my.help";
        QTest::newRow("full stop in a folder") << "C:\\my.dir\\help"
                                               << "C:\\my";
    }
    void removeFileExtension() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(RemoveFileExtension(name), expected);
    }

    // Every line end of a topic's text is a paragraph, whichever form it has.
    void swapCR_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CR LF") << QStringLiteral("first\r\nsecond")
                               << QStringLiteral("first\\par\nsecond");
        QTest::newRow("CR alone") << QStringLiteral("\r\ra\rb")
                                  << QStringLiteral("\\par\\para\\parb");
        QTest::newRow("LF alone") << QStringLiteral("no breaks\n here")
                                  << QStringLiteral("no breaks\\par\n here");
        QTest::newRow("mixed") << QStringLiteral("a\r\nb\nc\rd\n\n")
                               << QStringLiteral("a\\par\nb\\par\nc\\par\nd\\par\n\\par\n");
        QTest::newRow("none") << QStringLiteral("plain") << QStringLiteral("plain");
    }
    void swapCR() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(SwapCR(text), expected);
        QCOMPARE(text, expected); // the argument holds it too
    }

    void helpTypeExtensions_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("names"); // help project | help file | contents, before
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty names stay empty") << true << "||"
                                                << "||";
        QTest::newRow("empty names from the help project") << true << "/p/demo.hpj||"
                                                           << "/p/demo.hpj|/p/demo.hlp|/p/demo.cnt";
        QTest::newRow("matching extension keeps its letters")
            << true << "demo.hpj|demo.Hlp|demo.CNT"
            << "demo.hpj|demo.Hlp|demo.CNT";
        QTest::newRow("new extension follows the old case")
            << false << "/p/help.hpj|/p/help.hlp|/p/help.CNT"
            << "/p/help.hhp|/p/help.chm|/p/help.HHC";
        QTest::newRow("no extension yet") << true << "help|x|"
                                          << "help.HPJ|x.HLP|help.CNT";
        QTest::newRow("dot in a folder only") << false << "/a.b/help||"
                                              << "/a.b/help.HHP|/a.b/help.CHM|/a.b/help.HHC";
    }
    void helpTypeExtensions() {
        QFETCH(bool, windows);
        QFETCH(QString, names);
        QFETCH(QString, expected);
        CreateSettings s;
        s.helpProjectFileName = names.section(u'|', 0, 0);
        s.helpFileName = names.section(u'|', 1, 1);
        s.contentsFileName = names.section(u'|', 2, 2);
        s.rtfFileName = QStringLiteral("keep.rtf");
        ApplyHelpTypeExtensions(s, windows ? HelpType::WindowsHelp : HelpType::HtmlHelp);
        QCOMPARE(s.helpProjectFileName + u'|' + s.helpFileName + u'|' + s.contentsFileName,
                 expected);
        QCOMPARE(s.rtfFileName, QStringLiteral("keep.rtf"));
    }

    void automaticFileNames() {
        CreateSettings s;
        s.helpType = HelpType::WindowsHelp;
        s.helpProjectFileName = QStringLiteral("/p/help.hpj");
        s.contentsFileName = QStringLiteral("/q/mine.cnt");
        FillAutomaticFileNames(s);
        QCOMPARE(s.helpFileName, QStringLiteral("/p/help.hlp"));
        QCOMPARE(s.contentsFileName, QStringLiteral("/q/mine.cnt")); // text stays
        QCOMPARE(s.rtfFileName, QStringLiteral("/p/help.rtf"));

        CreateSettings bare;
        bare.helpType = HelpType::WindowsHelp;
        bare.helpProjectFileName = QStringLiteral("help");
        FillAutomaticFileNames(bare);
        QCOMPARE(bare.helpFileName, QStringLiteral(".hlp"));
        QCOMPARE(bare.contentsFileName, QStringLiteral(".cnt"));
        QCOMPARE(bare.rtfFileName, QStringLiteral(".rtf"));

        CreateSettings html;
        html.helpType = HelpType::HtmlHelp;
        html.helpProjectFileName = QStringLiteral("/p/help.hhp");
        FillAutomaticFileNames(html);
        QVERIFY(html.helpFileName.isEmpty() && html.rtfFileName.isEmpty());
    }

    // Bare names are taken beside the project file (the help project) and
    // the help project (the help file); an empty tab offers the project's name.
    void namesBesideTheProject_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("helpProject");
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<QString>("viewed");
        QTest::newRow("bare names") << int(HelpType::WindowsHelp) << "help.hpj"
                                    << "help.hlp"
                                    << "/work/demo/help.hlp";
        QTest::newRow("relative folders") << int(HelpType::WindowsHelp) << "src/help.hpj"
                                          << "../out/help.hlp"
                                          << "/work/demo/out/help.hlp";
        QTest::newRow("absolute stay") << int(HelpType::WindowsHelp) << "/p/help.hpj"
                                       << "/q/help.hlp"
                                       << "/q/help.hlp";
        QTest::newRow("HTML Help") << int(HelpType::HtmlHelp) << "help.hhp"
                                   << "help.chm"
                                   << "/work/demo/help.chm";
        QTest::newRow("no help file") << int(HelpType::WindowsHelp) << "help.hpj"
                                      << ""
                                      << "";
    }
    void namesBesideTheProject() {
        QFETCH(int, type);
        QFETCH(QString, helpProject);
        QFETCH(QString, helpFile);
        QFETCH(QString, viewed);
        CreateSettings s;
        s.helpType = HelpType(type);
        s.helpProjectFileName = helpProject;
        s.helpFileName = helpFile;
        const CreateSettings beside =
            SettingsBesideProject(s, QStringLiteral("/work/demo/Demo.QMT"));
        QCOMPARE(HelpFileToView(beside), viewed);
        // Without a project file the names stay as typed.
        QCOMPARE(SettingsBesideProject(s, QString()).helpProjectFileName, helpProject);
    }

    void defaultNamesFromTheProject() {
        CreateSettings s;
        s.contentsFileName = QStringLiteral("own.cnt");
        FillDefaultNames(s, HelpType::WindowsHelp, QStringLiteral("/work/My Help.QMT"));
        QCOMPARE((QStringList{s.helpProjectFileName, s.helpProjectTitle, s.helpFileName,
                              s.contentsFileName, s.rtfFileName, s.indexFileName}),
                 (QStringList{QStringLiteral("My Help.hpj"), QStringLiteral("My Help"),
                              QStringLiteral("My Help.hlp"), QStringLiteral("own.cnt"),
                              QStringLiteral("My Help.rtf"), QString()}));
        CreateSettings html;
        FillDefaultNames(html, HelpType::HtmlHelp, QStringLiteral("/work/Demo.QMT"));
        QCOMPARE((QStringList{html.helpProjectFileName, html.helpFileName, html.contentsFileName,
                              html.rtfFileName, html.indexFileName}),
                 (QStringList{QStringLiteral("Demo.hhp"), QStringLiteral("Demo.chm"),
                              QStringLiteral("Demo.hhc"), QString(), QStringLiteral("Demo.hhk")}));
        // A help project name the author gave, or no project: nothing is offered.
        CreateSettings typed;
        typed.helpProjectFileName = QStringLiteral("x.hpj");
        FillDefaultNames(typed, HelpType::WindowsHelp, QStringLiteral("/work/Demo.QMT"));
        QVERIFY(typed.helpFileName.isEmpty() && typed.helpProjectTitle.isEmpty());
        CreateSettings none;
        FillDefaultNames(none, HelpType::WindowsHelp, QString());
        QVERIFY(none.helpProjectFileName.isEmpty());
    }

    void enablingRule() {
        CreateSettings full;
        full.helpType = HelpType::WindowsHelp;
        full.createGeneralHelp = 1;
        full.helpProjectTitle = QStringLiteral("T");
        full.helpFileName = QStringLiteral("h.hlp");
        full.rtfFileName = QStringLiteral("h.rtf");
        full.helpProjectFileName = QStringLiteral("h.hpj");
        QVERIFY(CreateTabEnabled(full));
        QVERIFY(CreateDisabledReason(full).isEmpty());

        CreateSettings needsContents = full;
        needsContents.createContentsFile = 1;
        QVERIFY(!CreateTabEnabled(needsContents));
        QVERIFY(CreateDisabledReason(needsContents).contains(QStringLiteral("contents file name")));
        needsContents.vbProjectFileName = QStringLiteral("a.vbp");
        needsContents.createToolTips = 1; // the tool-tip rule enables on its own
        QVERIFY(CreateTabEnabled(needsContents));

        // Contents without general help ends the rule, tool tips or not.
        CreateSettings blocked = needsContents;
        blocked.createGeneralHelp = 0;
        blocked.contentsFileName = QStringLiteral("h.cnt");
        QVERIFY(!CreateTabEnabled(blocked));
        QVERIFY(!CreateDisabledReason(blocked).isEmpty());
        blocked.createContentsFile = 0;
        blocked.createContextSensitiveHelp = 1;
        QVERIFY(!CreateTabEnabled(blocked));
        // A grayed general-help box neither blocks nor counts as ticked.
        blocked.createGeneralHelp = 2;
        QVERIFY(CreateTabEnabled(blocked));
        blocked.createToolTips = 0;
        QVERIFY(!CreateTabEnabled(blocked));

        CreateSettings html;
        html.helpType = HelpType::HtmlHelp;
        html.helpProjectFileName = QStringLiteral("h.hhp");
        html.helpFileName = QStringLiteral("h.chm");
        html.contentsFileName = QStringLiteral("h.hhc");
        QVERIFY(!CreateTabEnabled(html));
        QVERIFY(CreateDisabledReason(html).contains(QStringLiteral("index file name")));
        html.indexFileName = QStringLiteral("h.hhk");
        QVERIFY(CreateTabEnabled(html));

        // No help type chosen: nothing can be created, and the reason says so.
        CreateSettings none = full;
        none.helpType = HelpType::None;
        QVERIFY(!CreateTabEnabled(none));
        QCOMPARE(CreateDisabledReason(none), QStringLiteral("Choose HTML Help or Windows Help."));
    }
};

QTEST_GUILESS_MAIN(TestGenerationRules)
#include "tst_generation_rules.moc"
