#include "ui/BackgroundRun.h"

#include "ui/MirrorTree.h"
#include "ui/QtControls.h"

#include <QAction>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <system_error>

namespace tallowby {

namespace {

constexpr int kBatchIntervalMs = 40;  // 25 batches, so up to 25 repaints, a second
constexpr int kBatchBudgetMs = 25;    // then the window takes its own events again
constexpr int32_t kReadingSteps = 1000;

} // namespace

class BackgroundRun::FixedText : public TextSource {
public:
    explicit FixedText(std::string text) : text_(std::move(text)) {}
    std::string Text() const override { return text_; }

private:
    std::string text_;
};

class BackgroundRun::PostedControl : public Control {
public:
    PostedControl(BackgroundRun& run, Control& target, QObject* lockedAs)
        : run_(run), target_(target), lockedAs_(lockedAs) {}
    void SetEnabled(bool enabled) override {
        run_.queue_.Post([run = &run_, target = &target_, lockedAs = lockedAs_, enabled] {
            if (LockedCommand* lock = run->FindLock(lockedAs))
                lock->asked = enabled;  // applied when the run has ended
            else
                target->SetEnabled(enabled);
        });
    }
    void SetVisible(bool visible) override {
        run_.queue_.Post([target = &target_, visible] { target->SetVisible(visible); });
    }

private:
    BackgroundRun& run_;
    Control& target_;
    QObject* lockedAs_;
};

class BackgroundRun::PostedBar : public ProgressBar {
public:
    PostedBar(BackgroundRun& run, ProgressBar& target) : run_(run), target_(target) {}
    void SetMinimum(int32_t value) override {
        Post([target = &target_, value] { target->SetMinimum(value); });
    }
    void SetMaximum(int32_t value) override {
        Post([target = &target_, value] { target->SetMaximum(value); });
    }
    void SetValue(int32_t value) override {
        run_.queue_.PostLatest(latest_, value, [target = &target_](int32_t v) { target->SetValue(v); });
    }
    void SetVisible(bool visible) override {
        Post([target = &target_, visible] { target->SetVisible(visible); });
    }
    // Each batch ends in the window's own repaint.
    void Repaint() override {}

private:
    void Post(UiQueue::Op op) {
        latest_.Close();
        run_.queue_.Post(std::move(op));
    }
    BackgroundRun& run_;
    ProgressBar& target_;
    LatestValue latest_;
};

class BackgroundRun::PostedMessages : public MessageBoxes {
public:
    PostedMessages(BackgroundRun& run, MessageBoxes& target) : run_(run), target_(target) {}
    // The box is shown on the window's thread; the run goes on when it is closed.
    // A run that is being stopped shows no more boxes.
    void Show(const std::string& text, const std::string& title) override {
        if (run_.StopRequested()) return;
        auto closed = std::make_shared<bool>(false);
        run_.PostNow([run = &run_, target = &target_, text, title, closed] {
            if (!run->StopRequested()) target->Show(text, title);
            {
                const std::lock_guard<std::mutex> lock(run->waitMutex_);
                *closed = true;
            }
            run->Wake();
        });
        run_.WaitFor([&closed] { return *closed; });
    }

private:
    BackgroundRun& run_;
    MessageBoxes& target_;
};

void BackgroundRun::Monitor::Reading(std::uint64_t done, std::uint64_t total) {
    if (readingBar == nullptr || total == 0) return;
    if (!readingShown) {
        readingBar->SetMinimum(0);
        readingBar->SetMaximum(kReadingSteps);
        readingShown = true;
    }
    readingBar->SetValue(static_cast<int32_t>(std::min(done, total) * kReadingSteps / total));
}

BackgroundRun::BackgroundRun(QObject* parent) : QObject(parent) {
    batches_.setInterval(kBatchIntervalMs);
    connect(&batches_, &QTimer::timeout, this, &BackgroundRun::Drain);
}

BackgroundRun::~BackgroundRun() {
    if (!worker_.joinable()) return;
    monitor_.stop = true;
    queue_.Abandon();
    {
        const std::lock_guard<std::mutex> lock(waitMutex_);
        abandoned_ = true;
    }
    waitChanged_.notify_all();
    worker_.join();
}

const TextSource& BackgroundRun::Fixed(const TextSource& source) {
    auto fixed = std::make_shared<FixedText>(source.Text());
    standIns_.push_back(fixed);
    return *fixed;
}

Control& BackgroundRun::Posted(Control& control, QObject* lockedAs) {
    if (lockedAs) Lock(lockedAs);
    auto posted = std::make_shared<PostedControl>(*this, control, lockedAs);
    standIns_.push_back(posted);
    return *posted;
}

ProgressBar& BackgroundRun::Posted(ProgressBar& bar) {
    auto posted = std::make_shared<PostedBar>(*this, bar);
    standIns_.push_back(posted);
    return *posted;
}

MessageBoxes& BackgroundRun::Posted(MessageBoxes& messages) {
    auto posted = std::make_shared<PostedMessages>(*this, messages);
    standIns_.push_back(posted);
    return *posted;
}

ContactTree& BackgroundRun::Mirror(QtContactTree& tree, const QTreeWidget* widget) {
    auto mirror = std::make_shared<MirrorContactTree>(tree, widget, queue_);
    standIns_.push_back(mirror);
    sliceGuard_ = [&tree] { return std::make_shared<QtContactTree::Batch>(tree); };
    return *mirror;
}

void BackgroundRun::Lock(QObject* command) {
    if (!command || FindLock(command)) return;
    bool enabled = false;
    if (auto* widget = qobject_cast<QWidget*>(command)) enabled = widget->isEnabled();
    if (auto* action = qobject_cast<QAction*>(command)) enabled = action->isEnabled();
    locks_.push_back(LockedCommand{command, enabled, std::nullopt});
    SetCommandEnabled(command, false);
}

void BackgroundRun::ShowReadingOn(ProgressBar& posted) { monitor_.readingBar = &posted; }

bool BackgroundRun::Start(std::function<void()> work, std::function<void()> done) {
    if (running_) return false;
    running_ = true;
    done_ = std::move(done);
    monitor_.stop = false;
    batches_.start();
    try {
        worker_ = std::thread([this, work = std::move(work)] {
            {
                const RunScope scope(monitor_);
                try {
                    work();
                } catch (...) {
                    failure_ = std::current_exception();
                }
            }
            PostNow([this] { Finish(); });
        });
    } catch (const std::system_error&) {
        Finish();  // no thread to be had: nothing ran, and the window is as it was
        return false;
    }
    return true;
}

void BackgroundRun::RequestStop() {
    if (running_) monitor_.stop = true;
}

void BackgroundRun::PostNow(UiQueue::Op op) {
    if (queue_.Post(std::move(op), true))
        QMetaObject::invokeMethod(this, &BackgroundRun::Drain, Qt::QueuedConnection);
}

void BackgroundRun::WaitFor(const std::function<bool()>& ready) {
    std::unique_lock<std::mutex> lock(waitMutex_);
    waitChanged_.wait(lock, [&] { return abandoned_ || ready(); });
}

void BackgroundRun::Wake() { waitChanged_.notify_all(); }

// Applies what the worker posted, in order, for a slice of time at most; a message
// box shown from here runs its own event loop, during which no other batch starts.
void BackgroundRun::Drain() {
    if (draining_) return;
    draining_ = true;
    QElapsedTimer slice;
    slice.start();
    std::shared_ptr<void> guard;
    for (;;) {
        if (next_ == taken_.size()) {
            taken_ = queue_.Take();
            next_ = 0;
            if (taken_.empty()) break;
        }
        const UiQueue::Item item = std::move(taken_[next_++]);
        if (item.settles)
            guard.reset();
        else if (!guard && sliceGuard_)
            guard = sliceGuard_();
        item.op();
        if (slice.elapsed() >= kBatchBudgetMs) {
            QMetaObject::invokeMethod(this, &BackgroundRun::Drain, Qt::QueuedConnection);
            break;
        }
    }
    guard.reset();
    draining_ = false;
}

// The last op of a run: its thread has ended and all it posted has been applied.
void BackgroundRun::Finish() {
    if (worker_.joinable()) worker_.join();
    batches_.stop();
    running_ = false;
    for (const LockedCommand& lock : locks_)
        if (lock.command) SetCommandEnabled(lock.command, lock.asked.value_or(lock.before));
    locks_.clear();
    monitor_.readingBar = nullptr;
    monitor_.readingShown = false;
    monitor_.stop = false;
    standIns_.clear();
    sliceGuard_ = nullptr;
    const std::function<void()> done = std::move(done_);
    done_ = nullptr;
    const std::exception_ptr failure = std::exchange(failure_, nullptr);
    if (done) done();
    emit finished();
    if (failure) std::rethrow_exception(failure);
}

BackgroundRun::LockedCommand* BackgroundRun::FindLock(const QObject* command) {
    if (!command) return nullptr;
    for (LockedCommand& lock : locks_)
        if (lock.command == command) return &lock;
    return nullptr;
}

void BackgroundRun::SetCommandEnabled(QObject* command, bool enabled) {
    if (auto* widget = qobject_cast<QWidget*>(command)) widget->setEnabled(enabled);
    if (auto* action = qobject_cast<QAction*>(command)) action->setEnabled(enabled);
}

} // namespace tallowby
