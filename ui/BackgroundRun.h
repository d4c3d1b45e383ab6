// Runs a scan or an export on a worker thread while the window stays alive: it
// repaints, its progress bar moves, and closing it stops the run.
//
// The core drives the window through its interfaces (Control, ProgressBar,
// MessageBoxes, TextSource, ContactTree). For a run on the worker these are
// stand-ins made here on the window's thread before the run starts:
// - a text box is read once, at the start;
// - controls and progress bars post their changes to the window's thread, where
//   they are applied in order, in batches several times a second; a bar's value
//   only at its latest;
// - a message box is shown on the window's thread while the worker waits for it
//   to close;
// - the contact tree is a mirror of its model (MirrorTree.h).
// Buttons and commands that must not start anything meanwhile are locked: disabled
// while the run runs, then set as the run last asked, else as they were.
//
// One run at a time per object; RequestStop makes the run's next checkpoint end it
// (RunControl.h). Every method is for the window's thread only.
#pragma once

#include "addressbook/Controls.h"
#include "addressbook/RunControl.h"
#include "ui/UiQueue.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QTreeWidget;

namespace tallowby {

class ContactTree;
class QtContactTree;

class BackgroundRun : public QObject {
    Q_OBJECT
public:
    explicit BackgroundRun(QObject* parent = nullptr);
    ~BackgroundRun() override;  // stops a run still going and waits for its thread

    bool Running() const { return running_; }

    // Stand-ins for one run, valid until it has ended.
    const TextSource& Fixed(const TextSource& source);
    // lockedAs: the button the control stands for, locked during the run.
    Control& Posted(Control& control, QObject* lockedAs = nullptr);
    ProgressBar& Posted(ProgressBar& bar);
    MessageBoxes& Posted(MessageBoxes& messages);
    ContactTree& Mirror(QtContactTree& tree, const QTreeWidget* widget);

    // A button or a menu command (QWidget or QAction) locked during the run.
    void Lock(QObject* command);
    // The bar that shows how much of the book has been read (a posted one).
    void ShowReadingOn(ProgressBar& posted);

    // Starts `work` on a worker thread; `done` runs on this thread once the work has
    // returned and everything it posted has been applied. False, and nothing
    // started, while a run runs; false, with `done` run at once, when no thread can
    // be started.
    bool Start(std::function<void()> work, std::function<void()> done);
    void RequestStop();
    bool StopRequested() const { return monitor_.stop.load(); }

signals:
    void finished();

private:
    struct Monitor : RunMonitor {
        std::atomic<bool> stop{false};
        ProgressBar* readingBar = nullptr;
        bool readingShown = false;
        bool StopRequested() const override { return stop.load(std::memory_order_relaxed); }
        void Reading(std::uint64_t done, std::uint64_t total) override;
    };
    struct LockedCommand {
        QPointer<QObject> command;
        bool before = false;
        std::optional<bool> asked;  // the last state the run set
    };
    class PostedControl;
    class PostedBar;
    class PostedMessages;
    class FixedText;

    // Worker side: posts an op that wants the window settled (its tree complete) and
    // has it applied soon, not at the next batch.
    void PostNow(UiQueue::Op op);
    // Worker side: waits until ready() holds or the run is abandoned.
    void WaitFor(const std::function<bool()>& ready);
    void Wake();
    void Drain();
    void Finish();
    LockedCommand* FindLock(const QObject* command);
    static void SetCommandEnabled(QObject* command, bool enabled);

    UiQueue queue_;
    Monitor monitor_;
    QTimer batches_;
    std::thread worker_;
    bool running_ = false;
    bool draining_ = false;
    std::vector<UiQueue::Item> taken_;  // taken from the queue, not yet applied
    std::size_t next_ = 0;
    std::function<void()> done_;
    std::exception_ptr failure_;
    std::vector<LockedCommand> locks_;
    // Held while a slice of ops is applied (the tree's Batch), let go before an op
    // that wants the window settled and at the slice's end.
    std::function<std::shared_ptr<void>()> sliceGuard_;
    std::vector<std::shared_ptr<void>> standIns_;

    std::mutex waitMutex_;
    std::condition_variable waitChanged_;
    bool abandoned_ = false;
};

} // namespace tallowby
