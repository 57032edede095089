#include "common/FileFunctions.h"
#include "common/PathFunctions.h"
#include "common/SystemFunctions.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using TestSupport::ReadFile;
using TestSupport::WriteFile;

TEST(PathFunctions, CombinePath)
{
    const struct
    {
        const char* base;
        const char* relative;
        const char* expected;
    } rows[] = {
        {"/a", "b/c", "/a/b/c"},
        {"/a/", "b\\c", "/a/b/c"},
        {"/a/", "/x", "/x"},
        {"/a", "http://h/x", "http://h/x"},
        {"rel", "b", "b"},
        {"", "b", "b"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CombinePath(QString::fromLatin1(row.base), QString::fromLatin1(row.relative)),
                  QString::fromLatin1(row.expected))
            << "row " << row.base << " + " << row.relative;
    EXPECT_EQ(GetPathRelativeToFile(QStringLiteral("/opt/v/varnelo"), QStringLiteral("res/a.html")),
              QStringLiteral("/opt/v/res/a.html"));
    EXPECT_EQ(IncludeBackslash(QString()), QString());
    EXPECT_EQ(IncludeBackslash(QStringLiteral("a\\b")), QStringLiteral("a/b/"));
}

TEST(PathFunctions, FileNamesAndTitles)
{
    EXPECT_EQ(ExtractFileTitle(QStringLiteral("/x/English.lan")), QStringLiteral("English"));
    EXPECT_EQ(ExtractFileTitle(QStringLiteral("/x/readme")), QStringLiteral("readme"));
    EXPECT_EQ(ExtractFileTitle(QStringLiteral("/x.d/a.b.c")), QStringLiteral("a.b"));
    EXPECT_EQ(MakeValidFileName(QStringLiteral("  AC/DC: Live?  ")), QStringLiteral("ACDC Live"));
    EXPECT_EQ(MakeValidFileName(QStringLiteral("\t\"It's\" <a|b*c>\r\nd\re\nf ")), QStringLiteral("Its abcdef"));
    EXPECT_EQ(MakeValidFileName(QStringLiteral("../../etc/passwd")), QStringLiteral("....etcpasswd"));
}

TEST(FileFunctions, UniqueNamesListingAndClearing)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString name = GetUniqueFileName(folder, QStringLiteral("dl"), QStringLiteral("mtd"));
    EXPECT_TRUE(name.startsWith(folder + QStringLiteral("dl")));
    EXPECT_TRUE(name.endsWith(QStringLiteral(".mtd")));
    EXPECT_FALSE(QFileInfo::exists(name));

    ASSERT_TRUE(WriteFile(folder + QStringLiteral("a.lan"), "x"));
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("b.txt"), "x"));
    ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("sub.lan/deeper")));
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("sub.lan/deeper/c"), "x"));
    QStringList files;
    ListFiles(folder + QStringLiteral("*.lan"), files, true);
    EXPECT_EQ(files, QStringList{folder + QStringLiteral("a.lan")});

    EXPECT_TRUE(ClearDirectory(folder, false));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("sub.lan")});
    EXPECT_TRUE(ClearDirectory(folder, true));
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(folder));
}

TEST(FileFunctions, WriteTextFileAndCreationTime)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/setting.dat");
    WriteTextFile(QStringLiteral(" "), file);
    EXPECT_EQ(ReadFile(file), QByteArray(" "));
    QDateTime created;
    EXPECT_TRUE(GetFileCreationTime(file, created));
    EXPECT_EQ(created.timeSpec(), Qt::UTC);
    EXPECT_FALSE(GetFileCreationTime(dir.path() + QStringLiteral("/missing"), created));
    EXPECT_TRUE(CheckFileAccess(dir.path()));
    EXPECT_FALSE(CheckFileAccess(dir.path() + QStringLiteral("/missing")));
}

TEST(SystemFunctions, FoldersFollowTheEnvironmentAndStoredValuesStayInTheirRoot)
{
    const QString root = TestSupport::ResetDataFolders();
    EXPECT_EQ(GetShellFolder(QStringLiteral("AppData")), root + QStringLiteral("/home/.local/share"));
    EXPECT_EQ(GetCommonShellFolder(QStringLiteral("Common AppData")), root + QStringLiteral("/machine/var-lib"));
    EXPECT_EQ(GetShellFolder(QStringLiteral("Common AppData")), root + QStringLiteral("/machine/var-lib"));
    EXPECT_EQ(GetShellFolder(QStringLiteral("Nothing")), QString());

    const QString key = root + QStringLiteral("/machine/etc/varnelo");
    ASSERT_TRUE(QDir().mkpath(key));
    ASSERT_TRUE(WriteFile(key + QStringLiteral("/CHL"), "demo\n"));
    EXPECT_EQ(RegReadString(ERegRoot::LocalMachine, QStringLiteral("varnelo"), QStringLiteral("CHL"), QStringLiteral("unknow")),
              QStringLiteral("demo"));
    EXPECT_EQ(RegReadString(ERegRoot::LocalMachine, QStringLiteral("varnelo"), QStringLiteral("X"), QStringLiteral("unknow")),
              QStringLiteral("unknow"));
    EXPECT_EQ(RegReadString(ERegRoot::LocalMachine, QStringLiteral("../etc/varnelo"), QStringLiteral("CHL"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(SystemFunctions, SingleInstanceLockIsHeldOnce)
{
    const QString name = QStringLiteral("varnelo-test-%1").arg(QCoreApplication::applicationPid());
    EXPECT_TRUE(CheckSingleInstance(name));
    EXPECT_FALSE(CheckSingleInstance(name));
}
