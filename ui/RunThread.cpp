#include "ui/RunThread.h"

#include <QMetaObject>

#include <exception>
#include <system_error>

namespace tallowby {

RunThread::RunThread(QObject* parent) : QObject(parent) {}

RunThread::~RunThread() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

bool RunThread::Start(std::function<void(const RunCallback&)> work, std::function<void()> done,
                      std::function<void(const QString&)> failed) {
    if (running_) return false;
    stop_ = false;
    done_callback_ = std::move(done);
    failed_ = std::move(failed);
    failure_.clear();
    try {
        worker_ = std::thread([this, work = std::move(work)] {
            const RunCallback callback = [this](RunStage stage, std::int64_t done, std::int64_t total) {
                if (stage != RunStage::Waiting) {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    stage_ = stage;
                    done_ = done;
                    total_ = total;
                    if (!std::exchange(posted_, true))
                        QMetaObject::invokeMethod(this, &RunThread::Deliver, Qt::QueuedConnection);
                }
                return !stop_.load();
            };
            try {
                work(callback);
            } catch (const std::exception& error) {
                failure_ = QString::fromUtf8(error.what());
            } catch (...) {
                failure_ = QStringLiteral("an unknown error");
            }
            QMetaObject::invokeMethod(this, &RunThread::End, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return false;  // no thread to be had: nothing ran, and the window is as it was
    }
    running_ = true;
    return true;
}

void RunThread::Deliver() {
    RunStage stage;
    qint64 done, total;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stage = stage_;
        done = done_;
        total = total_;
        posted_ = false;
    }
    if (running_) emit progress(stage, done, total);
}

// The last call of a run: its thread has ended.
void RunThread::End() {
    if (worker_.joinable()) worker_.join();
    running_ = false;
    const auto done = std::exchange(done_callback_, nullptr);
    const auto failed = std::exchange(failed_, nullptr);
    if (!failure_.isEmpty() && failed)
        failed(failure_);
    else if (done)
        done();
    emit finished();
}

} // namespace tallowby
