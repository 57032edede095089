#include "DownloadTestFixture.h"

#include "DemoVideo.h"
#include "TestSupport.h"
#include "download/HttpDownloadThread.h"
#include "video/YoutubeFLVGet.h"

TDemoSite* DownloadTest::Site = nullptr;

void DownloadTest::SetUpTestSuite()
{
    Site = new TDemoSite();
    ASSERT_TRUE(Site->Start(0));
}

void DownloadTest::TearDownTestSuite()
{
    // Detached workers run out on their own; let them end before the site goes.
    TestSupport::WaitUntil([] { return THttpDownloadThread::RunningCount() == 0; });
    Site->Stop();
    delete Site;
    Site = nullptr;
}

void DownloadTest::SetUp()
{
    ASSERT_TRUE(Dir.isValid());
    Site->ClearFaults();
    Site->ResetCounters();
    Md = std::make_unique<TMultiDownloader>();
    Md->OnStateChanged = [this](TDownloadList*, int index, EDownloadState state) {
        int busy = 0;
        for (EDownloadState s : Md->DownloadList()->States())
            if (s != KReady && s != KFinished && s != KFailed)
                ++busy;
        StateLog.append({index, state, busy});
        if (state == KFailed)
            Md->Resume();
    };
    Md->OnProgress = [this](TDownloadList*, int index, qint64, qint64) { ProgressIndexes.append(index); };
    Md->OnFinishedEvent = [this](TDownloadList*, int index, const QString& fileName, const QString&, qint64 size) {
        Finished.append({index, fileName, size});
    };
}

void DownloadTest::TearDown()
{
    Md.reset();
    TestSupport::WaitUntil([] { return THttpDownloadThread::RunningCount() == 0; });
}

QString DownloadTest::Base()
{
    return Site->BaseUrl();
}

QString DownloadTest::File(const QString& name) const
{
    return Dir.filePath(name);
}

void DownloadTest::UseDemoResolver(int method, const QString& watchSwitches)
{
    TNameValueList settings = DemoResolverSettings(Base(), method);
    if (!watchSwitches.isEmpty())
        settings.SetValue(QStringLiteral("WatchURL"), Base() + QStringLiteral("/watch?") + watchSwitches
                                                          + QStringLiteral("&v="));
    Md->OnBeforeFlvGet = [settings](TYoutubeFLVGet* resolver) {
        resolver->ApplyServiceInfo([&settings](const QString& name) { return settings.Values(name); });
    };
}

bool DownloadTest::AppendDirect(const QString& url, const QString& fileName)
{
    return Md->Append(url, fileName, false, KDirect, QString());
}

bool DownloadTest::WaitAllSettled()
{
    return TestSupport::WaitUntil([this] {
        TDownloadList* list = Md->DownloadList();
        return !Md->IsDownloading() && list->GetIdleIndex() < 0;
    });
}

QChar DownloadTest::StateLetter(EDownloadState state)
{
    switch (state) {
    case KReady: return u'R';
    case KBeforeConnecting: return u'B';
    case KDownloading: return u'D';
    case KFinished: return u'F';
    case KAbort: return u'A';
    case KFailed: return u'X';
    default: return u'?';
    }
}

QString DownloadTest::StateLetters()
{
    QString letters;
    for (EDownloadState s : Md->DownloadList()->States())
        letters += StateLetter(s);
    return letters;
}

QList<EDownloadState> DownloadTest::StatesOf(int index) const
{
    QList<EDownloadState> states;
    for (const TStateEvent& e : StateLog)
        if (e.Index == index)
            states.append(e.State);
    return states;
}
