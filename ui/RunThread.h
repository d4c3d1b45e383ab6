// Runs one scan or export on a thread of its own while the window stays alive: it
// repaints, its progress bar moves, and closing it stops the run. The run's callback
// (RunControl.h) hands its progress to the window's thread by queued calls, the
// latest only, so a run of 30,000 contacts posts no more than the window can show;
// the run's result comes back the same way, when the thread has ended.
#pragma once

#include "addressbook/RunControl.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace tallowby {

class RunThread : public QObject {
    Q_OBJECT
public:
    explicit RunThread(QObject* parent = nullptr);
    ~RunThread() override;  // asks a run still going to stop and waits for its thread

    bool Running() const { return running_; }
    // Starts `work` with the run's callback on a thread of its own; `done` runs on this
    // object's thread once the work has returned. `failed` receives the text of an
    // exception that left the work (a fault of this program), in place of `done`. False,
    // and nothing started, while a run runs or when no thread can be had.
    bool Start(std::function<void(const RunCallback&)> work, std::function<void()> done,
               std::function<void(const QString&)> failed);
    // The run's next checkpoint ends it.
    void RequestStop() { stop_ = true; }
    bool StopRequested() const { return stop_; }

signals:
    // The latest progress of the run, on this object's thread.
    void progress(tallowby::RunStage stage, qint64 done, qint64 total);
    void finished();

private:
    void Deliver();
    void End();

    std::thread worker_;
    bool running_ = false;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;            // guards the latest progress
    RunStage stage_ = RunStage::Reading;
    qint64 done_ = 0, total_ = 0;
    bool posted_ = false;         // a delivery of the latest progress is on its way
    std::function<void()> done_callback_;
    std::function<void(const QString&)> failed_;
    QString failure_;
};

} // namespace tallowby
