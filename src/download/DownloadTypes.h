#pragma once

#include <QString>

// Where a download task stands. The numbers are stored in the saved download list.
enum EDownloadState : int
{
    KNone = 0,
    KReady = 1,
    KRedirecting = 2, // kept for the stored numbers; nothing sets it
    KBeforeConnecting = 3,
    KDownloading = 4,
    KFinished = 5,
    KAbort = 6,
    KFailed = 7,
};

// What a transfer does with the body: write it to the task's file or keep it as text.
enum EDownloadType : int
{
    KFile = 0,
    KString = 1,
};

// How the address of a task becomes the address of the data to fetch.
enum ERedirectTheme : int
{
    KDirect = 0,  // the final address is RedirectURL
    KYouTube = 1, // resolved from the video identifier in the address
    KCustom = 2,  // the scheduler's OnRedirectEvent decides
};

struct TRedirOptions
{
    bool YesINeedRedirect = false;
    ERedirectTheme RedirectTheme = KDirect;
    QString RedirectURL;

    bool operator==(const TRedirOptions&) const = default;
};

