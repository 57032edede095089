#include <gtest/gtest.h>

#include "DemoSite.h"
#include "DownloadTestFixture.h"
#include "TestSupport.h"

namespace
{
using TestSupport::WaitUntil;

using DownloadListTest = DownloadTest;

QStringList SongComment(const QString& id, const QString& title)
{
    return {QStringLiteral("Action=2"), QStringLiteral("Id=") + id, QStringLiteral("Title=") + title,
            QStringLiteral("SavePath=/home/u/Music/") + title + QStringLiteral(".mp3"),
            QStringLiteral("TempPath=") + QString(3000, u'p')};
}

// Finished, failed and running tasks saved and loaded by a new scheduler: the finished one
// comes back finished (100 %), the others waiting, in the same order, with their comments,
// addresses as given and redirects.
TEST_F(DownloadListTest, SaveAndLoadRoundTrip)
{
    const QString base = Base();
    ASSERT_TRUE(AppendDirect(base + QStringLiteral("/bytes/3000"), File(QStringLiteral("done.bin"))));
    ASSERT_TRUE(AppendDirect(base + QStringLiteral("/bytes/10?fault=404"), File(QStringLiteral("failed.bin"))));
    ASSERT_TRUE(Md->Append(base + QStringLiteral("/bytes/5000000?fault=drip:5"), File(QStringLiteral("running.bin")),
                           false, KDirect, base + QStringLiteral("/unused?a=1")));
    ASSERT_TRUE(Md->Append(QStringLiteral("  http://site.invalid/watch?v=abc  "), File(QStringLiteral("waiting.mtd")),
                           true, KYouTube, QString()));
    TDownloadList* list = Md->DownloadList();
    const QStringList comments[] = {
        SongComment(QStringLiteral("a1"), QStringLiteral("Rock, Paper & \"Scissors\"")),
        SongComment(QStringLiteral("b2"), QStringLiteral("Caf\u00E9 'del' Sol")),
        SongComment(QStringLiteral("c3"), QStringLiteral("\u6771\u4EAC, \"\"")),
        {},
    };
    for (int i = 0; i < 4; ++i)
        list->Items(i)->Comment = TNameValueList(comments[i]);
    list->Items(1)->Caption = QStringLiteral("a caption, with \"quotes\"");
    Md->SetMaxTasks(1); // one after the other: the last one is still waiting
    Md->Resume();
    ASSERT_TRUE(WaitUntil([&] { return StateLetters() == QStringLiteral("FXDR"); })) << StateLetters().toStdString();

    const QString path = File(QStringLiteral("downloadlist.sav"));
    ASSERT_TRUE(list->SaveToFile(path));
    Md->StopAll();

    TMultiDownloader loaded;
    TDownloadList* back = loaded.DownloadList();
    back->LoadFromFile(path);
    ASSERT_EQ(back->ItemCount(), 4);
    const EDownloadState states[] = {KFinished, KReady, KReady, KReady};
    for (int i = 0; i < 4; ++i) {
        const TDownloadItem* a = list->Items(i);
        const TDownloadItem* b = back->Items(i);
        EXPECT_EQ(b->DownloadState(), states[i]) << i;
        EXPECT_EQ(b->Comment.Lines(), comments[i]) << i;
        EXPECT_EQ(b->URL, list->EntryText(i)) << i;
        EXPECT_EQ(b->FileName, a->FileName) << i;
        EXPECT_EQ(b->Caption, a->Caption) << i;
        EXPECT_EQ(b->OrgRedirectOptions, a->OrgRedirectOptions) << i;
        EXPECT_EQ(b->RedirectOptions, a->OrgRedirectOptions) << i;
    }
    EXPECT_EQ(back->Items(0)->ProgressPercent, 100);
    EXPECT_EQ(back->Items(3)->URL, QStringLiteral("http://site.invalid/watch?v=abc"));

    // Loading it again adds nothing: every task is a duplicate of a loaded one.
    back->LoadFromFile(path);
    EXPECT_EQ(back->ItemCount(), 4);
    // A missing file loads as nothing.
    back->LoadFromFile(File(QStringLiteral("missing.sav")));
    EXPECT_EQ(back->ItemCount(), 4);
}

// Reordering and clearing, on tasks restored from a file with finished ones in between.
TEST_F(DownloadListTest, ReorderAndClear)
{
    const QString path = File(QStringLiteral("l.sav"));
    QString text = QStringLiteral("[Global]\nItemCount=5\n");
    const char* states = "51515";
    for (int i = 0; i < 5; ++i)
        text += QStringLiteral("[%1]\nURL=http://h/%1\nFileName=/t/%1\nState=%2\n").arg(i).arg(QChar::fromLatin1(states[i]));
    ASSERT_TRUE(TestSupport::WriteFile(path, text.toUtf8()));
    TDownloadList* list = Md->DownloadList();
    list->LoadFromFile(path);
    auto urls = [&] {
        QString s;
        for (int i = 0; i < list->ItemCount(); ++i)
            s += list->Items(i)->URL.right(1);
        return s;
    };
    ASSERT_EQ(urls(), QStringLiteral("01234"));
    EXPECT_EQ(StateLetters(), QStringLiteral("FRFRF"));

    list->MoveUp(0);
    list->MoveDown(4);
    EXPECT_EQ(urls(), QStringLiteral("01234"));
    list->MoveDown(0);
    list->MoveUp(4);
    EXPECT_EQ(urls(), QStringLiteral("10243"));
    list->Exchange(0, 4);
    list->Exchange(0, 5); // outside: nothing
    EXPECT_EQ(urls(), QStringLiteral("30241"));
    EXPECT_EQ(list->Items(5), nullptr);
    EXPECT_EQ(list->Items(-1), nullptr);

    list->ClearCompleted();
    EXPECT_EQ(urls(), QStringLiteral("31"));
    EXPECT_EQ(StateLetters(), QStringLiteral("RR"));
    list->LoadFromFile(path);
    list->ClearInCompleted();
    EXPECT_EQ(urls(), QStringLiteral("024"));
    list->ClearAll();
    EXPECT_EQ(list->ItemCount(), 0);
}

TEST_F(DownloadListTest, SaveFailsWhenTheFolderCannotBeWritten)
{
    ASSERT_TRUE(AppendDirect(QStringLiteral("http://h/1"), File(QStringLiteral("1"))));
    EXPECT_FALSE(Md->DownloadList()->SaveToFile(File(QStringLiteral("no/such/folder/list.sav"))));
}
} // namespace
