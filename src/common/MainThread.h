#pragma once

#include <atomic>
#include <functional>
#include <memory>

// Hand-over from worker threads to the user-interface (main) thread.
//
// Workers run on a snapshot of their request and share only a TWorkerLink with the
// component that started them. When the component aborts or dies it detaches the link
// (on the main thread); every hand-over checks the link on the main thread, right before
// it would call into the component, so no handler runs after the detach and the worker
// never touches a freed component.
class TWorkerLink final
{
public:
    void Detach() { FDetached.store(true); }
    bool IsDetached() const { return FDetached.load(); }

private:
    std::atomic<bool> FDetached{false};
};
using TWorkerLinkPtr = std::shared_ptr<TWorkerLink>;

// Runs fn on the main thread and waits until it returned. Called on the main thread it
// runs fn at once. Returns false, without running fn, when the link was detached (checked
// on the main thread) or there is no application object.
bool RunInMainThread(const TWorkerLinkPtr& link, const std::function<void()>& fn);
// Queues fn to the main thread; it runs there later unless the link was detached by then.
void PostToMainThread(const TWorkerLinkPtr& link, std::function<void()> fn);
