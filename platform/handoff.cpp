#include "platform/handoff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <deque>
#include <mutex>

namespace zelvane::platform::handoff {

namespace {

class Mailbox {
public:
    // Puts the work in and, under the same lock, wakes its reader, so that
    // wake-ups and the work they are for keep one order.
    template <class Wake>
    void put(std::function<void()> work, Wake&& wake)
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(work));
        wake();
    }

    // Each wake-up takes one piece of work, the oldest.
    std::function<void()> take()
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty()) {
            return {};
        }
        std::function<void()> work = std::move(waiting_.front());
        waiting_.pop_front();
        return work;
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> waiting_;
};

Mailbox& mainMail()
{
    static Mailbox mail;
    return mail;
}

constexpr QEvent::Type kWake = QEvent::User;

// Receives the wake-ups on the main thread; holds nothing either.
class MainWake final : public QObject {
protected:
    // Only wake-ups are ever sent to it, so the event is not even looked at.
    void customEvent(QEvent*) override
    {
        if (auto work = mainMail().take()) {
            work();
        }
    }
};

MainWake& mainWake(const QCoreApplication& app)
{
    // Made by whichever thread hands over first, then moved to the main
    // thread, where its wake-ups are delivered. It lives as long as the
    // program: work may be handed over until the very end.
    static MainWake* wake = [&app]() {
        auto* made = new MainWake();
        made->moveToThread(app.thread());
        return made;
    }();
    return *wake;
}

} // namespace

void toMain(const QCoreApplication& app, std::function<void()> work)
{
    MainWake& wake = mainWake(app);
    mainMail().put(std::move(work), [&wake]() { QCoreApplication::postEvent(&wake, new QEvent(kWake)); });
}

} // namespace zelvane::platform::handoff
