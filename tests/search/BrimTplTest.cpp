#include "search/BrimTpl.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <functional>

#include "TestSupport.h"

namespace
{
QString Render(const QString& templateText, const std::function<void(TBrimTpl&)>& record)
{
    TBrimTpl tpl;
    tpl.SetTplText(templateText);
    record(tpl);
    tpl.MakeHtml();
    return tpl.OutPutHtml();
}

void RecordWorkedExample(TBrimTpl& tpl)
{
    tpl.SetVar(QStringLiteral("SC_KEY"), QStringLiteral("piano"));
    const struct
    {
        const char* id;
        const char* title;
        const char* time;
        const char* index;
    } songs[] = {{"a1", "Song A", "3:45", "0"}, {"b2", "Song B", "4:10", "1"}};
    for (const auto& s : songs) {
        tpl.BeginBlock(QStringLiteral("youtube"));
        tpl.SetVar(QStringLiteral("YT_ID"), QString::fromUtf8(s.id));
        tpl.SetVar(QStringLiteral("YT_TITLE"), QString::fromUtf8(s.title));
        tpl.SetVar(QStringLiteral("RUN_TIME"), QString::fromUtf8(s.time));
        tpl.SetVar(QStringLiteral("ID"), QString::fromUtf8(s.index));
        tpl.EndBlock(QStringLiteral("youtube"));
    }
}

const QString KWorkedTemplate = QStringLiteral(
    "<p>Results for {SC_KEY}</p>\n"
    "<!-- begin block youtube -->\n"
    "<a href='xmd:ACTION=Play&PID={ID}&ID={YT_ID}'>{YT_TITLE}</a> {RUN_TIME}\n"
    "<!-- end block youtube -->\n");
} // namespace

TEST(BrimTpl, WorkedExampleComesOutByteForByte)
{
    EXPECT_EQ(Render(KWorkedTemplate, RecordWorkedExample),
              QStringLiteral("<p>Results for piano</p>\r\n\r\n"
                             "<a href='xmd:ACTION=Play&PID=0&ID=a1'>Song A</a> 3:45\r\n\r\n"
                             "<a href='xmd:ACTION=Play&PID=1&ID=b2'>Song B</a> 4:10\r\n\r\n"));
}

TEST(BrimTpl, WorkedExampleRecordsThePathLines)
{
    TBrimTpl tpl;
    RecordWorkedExample(tpl);
    const QStringList& lines = tpl.Variables().Lines();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], u"&SC_KEY=piano");
    EXPECT_EQ(lines[1], u"@youtube[0]=");
    EXPECT_EQ(lines[2], u"@youtube[0]&YT_ID=a1");
    EXPECT_TRUE(lines.contains(QStringLiteral("@youtube[1]=")));
    EXPECT_TRUE(lines.contains(QStringLiteral("@youtube[1]&YT_ID=b2")));
}

TEST(BrimTpl, BlockWithoutInstancesLeavesOnlyItsSurroundings)
{
    EXPECT_EQ(Render(KWorkedTemplate, [](TBrimTpl& t) { t.SetVar(QStringLiteral("SC_KEY"), QStringLiteral("piano")); }),
              QStringLiteral("<p>Results for piano</p>\r\n\r\n"));
}

TEST(BrimTpl, NestedBlocksRepeatWithinEachOuterInstance)
{
    const QString tplText = QStringLiteral(
        "<!-- begin block cat -->{NAME}:<!-- begin block song -->[{TITLE}]<!-- end block song -->"
        "<!-- end block cat -->");
    const auto record = [](TBrimTpl& t) {
        const QList<QPair<QString, QStringList>> cats = {{QStringLiteral("A"), {QStringLiteral("x"), QStringLiteral("y")}},
                                                         {QStringLiteral("B"), {QStringLiteral("z")}}};
        for (const auto& [name, titles] : cats) {
            t.BeginBlock(QStringLiteral("cat"));
            t.SetVar(QStringLiteral("NAME"), name);
            for (const QString& title : titles) {
                t.BeginBlock(QStringLiteral("song"));
                t.SetVar(QStringLiteral("TITLE"), title);
                t.EndBlock(QStringLiteral("song"));
            }
            t.EndBlock(QStringLiteral("cat"));
        }
    };
    EXPECT_EQ(Render(tplText, record), QStringLiteral("A:[x][y]B:[z]\r\n"));

    TBrimTpl tpl;
    record(tpl);
    const QStringList instances = tpl.Variables().Lines().filter(QRegularExpression(QStringLiteral("=$")));
    EXPECT_EQ(instances, (QStringList{QStringLiteral("@cat[0]="), QStringLiteral("@cat[0]@song[0]="),
                                      QStringLiteral("@cat[0]@song[1]="), QStringLiteral("@cat[1]="),
                                      QStringLiteral("@cat[1]@song[0]=")}));

    // A variable of the enclosing instance is visible inside the inner block.
    EXPECT_EQ(Render(QStringLiteral("<!-- begin block cat --><!-- begin block song -->{NAME}{TITLE} "
                                    "<!-- end block song --><!-- end block cat -->"),
                     record),
              QStringLiteral("Ax Ay Bz \r\n"));
}

TEST(BrimTpl, MarkersAndValues)
{
    struct TCase
    {
        const char* name;
        QString tplText;
        std::function<void(TBrimTpl&)> record;
        QString expected;
    };
    const auto setVar = [](const char* n, const char* v) {
        return [=](TBrimTpl& t) { t.SetVar(QString::fromUtf8(n), QString::fromUtf8(v)); };
    };
    const TCase cases[] = {
        {"not variables", QStringLiteral("{9lives} { bad } {} {a-b} {"), setVar("a", "x"),
         QStringLiteral("{9lives} { bad } {} {a-b} {\r\n")},
        {"variable name in any case", QStringLiteral("{Yt_Title}|{yt_title}"), setVar("YT_TITLE", "T"),
         QStringLiteral("T|T\r\n")},
        {"escaped apostrophe", QStringLiteral("{V}"), setVar("V", "it\\'s"), QStringLiteral("it's\r\n")},
        {"first value wins",
         QStringLiteral("{V}"),
         [](TBrimTpl& t) {
             t.SetVar(QStringLiteral("V"), QStringLiteral("first"));
             t.SetVar(QStringLiteral("v"), QStringLiteral("second"));
         },
         QStringLiteral("first\r\n")},
        {"unknown variable is empty", QStringLiteral("[{NOTHING}]"), setVar("V", "x"), QStringLiteral("[]\r\n")},
        {"block markers in any case",
         QStringLiteral("<!-- BEGIN Block YouTube -->{V}<!-- End BLOCK x -->"),
         [](TBrimTpl& t) {
             for (const char* v : {"1", "2"}) {
                 t.BeginBlock(QStringLiteral("youtube"));
                 t.SetVar(QStringLiteral("V"), QString::fromUtf8(v));
                 t.EndBlock();
             }
         },
         QStringLiteral("12\r\n")},
        {"malformed block markers are text", QStringLiteral("<!--  begin block a --><!-- begin block  -->"),
         setVar("V", "x"), QStringLiteral("<!--  begin block a --><!-- begin block  -->\r\n")},
        {"no markers: every line ends with CR LF", QStringLiteral("a\nb\r\nc\rd"), setVar("V", "x"),
         QStringLiteral("a\r\nb\r\nc\r\nd\r\n")},
        {"value with markers is not rendered again", QStringLiteral("{V}"), setVar("V", "{V}<!-- end block a -->"),
         QStringLiteral("{V}<!-- end block a -->\r\n")},
        {"non-Latin text kept", QStringLiteral("\u00e9 {V} \u6f22"), setVar("V", "\xce\xb1"),
         QStringLiteral("\u00e9 \u03b1 \u6f22\r\n")},
        // A block begun again after a sibling is numbered 0 once more: the earlier instance 0 wins.
        {"renumbering after a sibling",
         QStringLiteral("<!-- begin block a -->a{V}<!-- end block a --><!-- begin block b -->b{V}<!-- end block b -->"),
         [](TBrimTpl& t) {
             const char* order[][2] = {{"a", "1"}, {"a", "2"}, {"b", "3"}, {"a", "4"}};
             for (const auto& o : order) {
                 t.BeginBlock(QString::fromUtf8(o[0]));
                 t.SetVar(QStringLiteral("V"), QString::fromUtf8(o[1]));
                 t.EndBlock();
             }
         },
         QStringLiteral("a1a2b3\r\n")},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Render(c.tplText, c.record), c.expected) << c.name;
}

TEST(BrimTpl, InstanceNumbersAcrossSiblingsAndNesting)
{
    TBrimTpl tpl;
    tpl.BeginBlock(QStringLiteral("a"));
    tpl.BeginBlock(QStringLiteral("in"));
    tpl.EndBlock();
    tpl.EndBlock();
    tpl.BeginBlock(QStringLiteral("a")); // still numbered on after an inner block
    tpl.EndBlock();
    tpl.BeginBlock(QStringLiteral("b"));
    tpl.EndBlock();
    tpl.BeginBlock(QStringLiteral("a")); // after a sibling: 0 again
    tpl.EndBlock();
    EXPECT_EQ(tpl.Variables().Lines(),
              (QStringList{QStringLiteral("@a[0]="), QStringLiteral("@a[0]@in[0]="), QStringLiteral("@a[1]="),
                           QStringLiteral("@b[0]="), QStringLiteral("@a[0]=")}));
}

TEST(BrimTpl, GetVarLooksOutwardsAndInStrRev)
{
    TBrimTpl tpl;
    tpl.SetVar(QStringLiteral("TOP"), QStringLiteral("t"));
    tpl.SetVar(QStringLiteral("V"), QStringLiteral("top"));
    tpl.BeginBlock(QStringLiteral("a"));
    tpl.SetVar(QStringLiteral("V"), QStringLiteral("inA"));
    tpl.BeginBlock(QStringLiteral("b"));
    tpl.EndBlock();
    tpl.EndBlock();
    EXPECT_EQ(tpl.GetVar(QStringLiteral("@a[0]@b[0]"), QStringLiteral("V")), u"inA");
    EXPECT_EQ(tpl.GetVar(QStringLiteral("@a[0]@b[0]"), QStringLiteral("top")), u"t");
    EXPECT_EQ(tpl.GetVar(QString(), QStringLiteral("V")), u"top");
    EXPECT_EQ(tpl.GetVar(QStringLiteral("@a[0]"), QStringLiteral("missing")), QString());
    EXPECT_EQ(TBrimTpl::InStrRev(QStringLiteral("@a[0]@b[1]"), QStringLiteral("@")), 5);
    EXPECT_EQ(TBrimTpl::InStrRev(QStringLiteral("abc"), QStringLiteral("@")), -1);
    EXPECT_EQ(TBrimTpl::InStrRev(QStringLiteral("aaa"), QStringLiteral("aa")), 1);
}

TEST(BrimTpl, RenderingTwiceGivesTheSamePage)
{
    TBrimTpl tpl;
    tpl.SetTplText(KWorkedTemplate);
    RecordWorkedExample(tpl);
    tpl.MakeHtml();
    const QString first = tpl.OutPutHtml();
    tpl.MakeHtml();
    EXPECT_EQ(tpl.OutPutHtml(), first);
}

TEST(BrimTpl, BrokenTemplatesAreRejected)
{
    QString tenDeep;
    for (int i = 0; i < 10; ++i)
        tenDeep += QStringLiteral("<!-- begin block b%1 -->").arg(i);
    for (int i = 0; i < 10; ++i)
        tenDeep += QStringLiteral("<!-- end block b -->");
    const struct
    {
        const char* name;
        QString text;
        bool ok;
    } cases[] = {
        {"ten levels", tenDeep, true},
        {"eleven levels", QStringLiteral("<!-- begin block x -->") + tenDeep + QStringLiteral("<!-- end block x -->"), false},
        {"end without begin", QStringLiteral("a\n<!-- end block a -->"), false},
        {"begin not closed", QStringLiteral("<!-- begin block a -->\n{V}"), false},
        {"closed, then one end too many",
         QStringLiteral("<!-- begin block a --><!-- end block a --><!-- end block a -->"), false},
    };
    for (const auto& c : cases) {
        TBrimTpl tpl;
        tpl.SetTplText(c.text);
        tpl.SetVar(QStringLiteral("V"), QStringLiteral("x"));
        if (c.ok) {
            EXPECT_NO_THROW(tpl.MakeHtml()) << c.name;
        } else {
            try {
                tpl.MakeHtml();
                ADD_FAILURE() << c.name << ": accepted";
            } catch (const ETplError& e) {
                EXPECT_TRUE(e.Message().contains(QStringLiteral("line"))) << c.name << ": " << e.what();
            }
        }
    }

    TBrimTpl deep;
    for (int i = 0; i < TBrimTpl::KMaxDepth; ++i)
        deep.BeginBlock(QStringLiteral("b"));
    EXPECT_THROW(deep.BeginBlock(QStringLiteral("b")), ETplError);
}

TEST(BrimTpl, LoadTplDecodesTheFile)
{
    const QString dir = TestSupport::ResetDataFolders();
    const struct
    {
        const char* name;
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF\xC3\xA9{V}"), QStringLiteral("\u00e9x\r\n")},
        {"UTF-8 without mark", QByteArray("\xC3\xA9{V}\n"), QStringLiteral("\u00e9x\r\n")},
        {"UTF-16 LE", QByteArray("\xFF\xFE\xE9\x00{\x00V\x00}\x00", 10), QStringLiteral("\u00e9x\r\n")},
        {"Latin-1", QByteArray("\xE9{V}"), QStringLiteral("\u00e9x\r\n")},
    };
    for (const auto& c : cases) {
        const QString file = dir + QStringLiteral("/tpl.html");
        ASSERT_TRUE(TestSupport::WriteFile(file, c.bytes));
        TBrimTpl tpl;
        tpl.LoadTpl(file);
        tpl.SetVar(QStringLiteral("V"), QStringLiteral("x"));
        tpl.MakeHtml();
        EXPECT_EQ(tpl.OutPutHtml(), c.expected) << c.name;
    }
    TBrimTpl missing;
    EXPECT_THROW(missing.LoadTpl(dir + QStringLiteral("/none.html")), ETplError);
}
