#include "playlist/calc_len.h"

#include "platform/system/process_priority.h"
#include "playlist/check_list.h"

#include <QMetaObject>

#include <algorithm>
#include <exception>

namespace playlist {

using render::REFERENCE_TIME;

TCalcLen::TCalcLen(CalcLenControl& control, std::vector<CalcLenItem> items,
                   render::ProbeSettings settings, ProbeFunction probe)
    : control_(control), items_(std::move(items)), settings_(settings), probe_(std::move(probe)) {}

TCalcLen::~TCalcLen() {
    Join();
}

void TCalcLen::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TCalcLen::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TCalcLen::Execute() {
    // The lowest regular level, two below normal: a nice value two above the process's (one
    // step), kept at that distance when the process's priority class changes. A refusal
    // leaves the thread at the normal level.
    const platform::LoweredThreadPriority lowered(1);
    ICalcLenDisplay& display = control_.display_;
    control_.Synchronize([this, &display] {
        if (!Stopped()) {
            display.ShowBusyIcon();
        }
    });
    REFERENCE_TIME total = 0;
    try {
        for (std::size_t i = 0; i < items_.size() && !Stopped(); ++i) {
            const CalcLenItem& item = items_[i];
            if (!item.checked) {
                continue;
            }
            render::TFileKind kind = item.kind;
            REFERENCE_TIME duration = item.duration;
            if (!item.cached) {
                Info = probe_(item.path, settings_);
                InfoIndex = static_cast<int>(i);
                if (Info != nullptr) {
                    kind = Info->Kind;
                    duration = Info->Duration;
                    control_.Synchronize([this, &item] {
                        control_.StoreFileInfo(*this, InfoIndex, item.path, std::move(Info));
                    });
                    Info.reset(); // dropped when the step did not run
                } else {
                    kind = render::fkCantPlay;
                }
            }
            if (kind == render::fkCantPlay) {
                continue;
            }
            total += duration;
            Total_.store(total);
            if (Stopped()) {
                break;
            }
            control_.Synchronize([this, &display, total] {
                if (!Stopped()) {
                    display.ShowLength(total);
                }
            });
        }
    } catch (...) {
        // A failing probe ends the calculation quietly; the sum reached so far stays shown.
    }
    if (!Stopped()) {
        control_.Synchronize([this, &display] {
            if (!Stopped()) {
                display.ShowLength(Total());
                display.HideBusyIcon();
            }
        });
    }
    control_.Terminated(*this);
}

CalcLenControl::CalcLenControl(CheckList& list, ICalcLenDisplay& display, QObject* parent)
    : QObject(parent), list_(list), display_(display), probe_(&render::ProbeFile),
      settingsSource_([] { return render::ProbeSettings{}; }) {}

CalcLenControl::~CalcLenControl() {
    {
        const std::lock_guard lock(mutex_);
        shuttingDown_ = true;
        for (const auto& thread : threads_) {
            thread->Stop();
        }
    }
    stepDone_.notify_all();
    for (const auto& thread : threads_) {
        thread->Join();
    }
}

void CalcLenControl::StartCalcLen() {
    StopCalcLen();
    std::vector<CalcLenItem> items;
    items.reserve(static_cast<std::size_t>(list_.count()));
    for (int i = 0; i < list_.count(); ++i) {
        CalcLenItem item{list_.text(i), list_.checked(i)};
        if (const render::TFileInfo* info = list_.fileInfo(i)) {
            item.cached = true;
            item.kind = info->Kind;
            item.duration = info->Duration;
        }
        items.push_back(std::move(item));
    }
    auto thread = std::make_unique<TCalcLen>(*this, std::move(items), settingsSource_(), probe_);
    thread->Start();
    CalcLenRunning_ = true;
    CalcLenThread_ = thread.get();
    threads_.push_back(std::move(thread));
}

void CalcLenControl::StopCalcLen() {
    if (!CalcLenRunning_ || CalcLenThread_ == nullptr) {
        return;
    }
    CalcLenRunning_ = false;
    CalcLenThread_->Stop();
    display_.ResetLength();
}

bool CalcLenControl::Synchronize(const std::function<void()>& run) {
    Step step{run};
    std::unique_lock lock(mutex_);
    if (shuttingDown_) {
        return false;
    }
    pendingSteps_.push_back(&step);
    WakeUserInterface(lock);
    stepDone_.wait(lock, [this, &step] { return step.done || shuttingDown_; });
    std::erase(pendingSteps_, &step);
    return step.done;
}

void CalcLenControl::Terminated(TCalcLen& thread) {
    std::unique_lock lock(mutex_);
    if (shuttingDown_) {
        return;
    }
    ended_.push_back(&thread);
    WakeUserInterface(lock);
}

void CalcLenControl::WakeUserInterface(std::unique_lock<std::mutex>& lock) {
    if (wakePosted_) {
        return;
    }
    wakePosted_ = true;
    lock.unlock();
    // Invoked by name, so that nothing built on this thread travels in the event: everything a
    // step needs is handed over under the mutex.
    QMetaObject::invokeMethod(this, "RunPendingSteps", Qt::QueuedConnection);
    lock.lock();
}

void CalcLenControl::RunPendingSteps() {
    std::vector<Step*> steps;
    std::vector<TCalcLen*> ended;
    {
        const std::lock_guard lock(mutex_);
        wakePosted_ = false;
        steps.swap(pendingSteps_);
        ended.swap(ended_);
    }
    std::exception_ptr error;
    for (Step* step : steps) {
        try {
            step->run();
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            step->done = true;
        }
        stepDone_.notify_all();
    }
    for (TCalcLen* thread : ended) {
        CalcLenTerminate(*thread);
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

void CalcLenControl::CalcLenTerminate(TCalcLen& thread) {
    // A stopped thread must not clear the flag of the calculation that replaced it.
    if (!thread.Stopped()) {
        CalcLenRunning_ = false;
    }
    if (CalcLenThread_ == &thread) {
        CalcLenThread_ = nullptr;
    }
    const auto found = std::find_if(threads_.begin(), threads_.end(),
                                    [&thread](const auto& each) { return each.get() == &thread; });
    if (found != threads_.end()) {
        (*found)->Join();
        threads_.erase(found);
    }
}

void CalcLenControl::StoreFileInfo(TCalcLen& thread, int index, const QString& path,
                                   std::unique_ptr<render::TFileInfo> info) {
    if (thread.Stopped() || index < 0 || index >= list_.count() || list_.text(index) != path) {
        return;
    }
    list_.setFileInfo(index, std::move(info));
}

} // namespace playlist
