#include "common/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace
{
bool OnMainThread(QCoreApplication* app)
{
    return QThread::currentThread() == app->thread();
}
} // namespace

bool RunInMainThread(const TWorkerLinkPtr& link, const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || (link && link->IsDetached()))
        return false;
    bool ran = false;
    auto call = [&] {
        // Checked again here: the component may have detached while this call waited.
        if (link && link->IsDetached())
            return;
        fn();
        ran = true;
    };
    if (OnMainThread(app))
        call();
    else
        QMetaObject::invokeMethod(app, call, Qt::BlockingQueuedConnection);
    return ran;
}

void PostToMainThread(const TWorkerLinkPtr& link, std::function<void()> fn)
{
    if (link && link->IsDetached())
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [link, fn = std::move(fn)] {
            if (!link || !link->IsDetached())
                fn();
        },
        Qt::QueuedConnection);
}
