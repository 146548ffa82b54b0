#pragma once

#include "render/file_info.h"
#include "render/probe.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace playlist {

class CheckList;
class CalcLenControl;

// Where the length calculation shows its progress. Called on the user-interface thread only.
class ICalcLenDisplay {
public:
    virtual ~ICalcLenDisplay() = default;
    virtual void ShowBusyIcon() = 0;
    virtual void HideBusyIcon() = 0;
    // The sum of the counted items' durations, in 100-ns units.
    virtual void ShowLength(render::REFERENCE_TIME total) = 0;
    // Back to the state after a stop: no busy image and the length "0:00:00".
    virtual void ResetLength() = 0;
};

using ProbeFunction = std::function<std::unique_ptr<render::TFileInfo>(
    const QString& fileName, const render::ProbeSettings& settings)>;

// One item of the list as the worker sees it: taken on the user-interface thread when the
// calculation starts, so that the worker never reads the list itself.
struct CalcLenItem {
    QString path;
    bool checked = true;
    bool cached = false; // the item had a record; kind and duration are its values
    render::TFileKind kind = render::fkCantPlay;
    render::REFERENCE_TIME duration = 0;
};

// One calculation of the total length of the checked items, on a thread of its own at a low
// priority. Items without a cached record are probed on that thread; each new record is handed
// to the user-interface thread, which stores it in the list if the item is still there.
// Created, stopped and freed by CalcLenControl on the user-interface thread.
class TCalcLen {
public:
    TCalcLen(CalcLenControl& control, std::vector<CalcLenItem> items,
             render::ProbeSettings settings, ProbeFunction probe);
    ~TCalcLen();
    TCalcLen(const TCalcLen&) = delete;
    TCalcLen& operator=(const TCalcLen&) = delete;

    // Asks the thread to give up; it tests the flag before each item and each display update.
    void Stop() { Stopped_.store(true); }
    bool Stopped() const { return Stopped_.load(); }
    // The sum reached so far, in 100-ns units.
    render::REFERENCE_TIME Total() const { return Total_.load(); }

private:
    friend class CalcLenControl;

    void Start();
    void Join();
    // The thread body.
    void Execute();

    CalcLenControl& control_;
    const std::vector<CalcLenItem> items_;
    const render::ProbeSettings settings_;
    const ProbeFunction probe_;

    std::atomic<render::REFERENCE_TIME> Total_{0};
    // The record just made by the probe and the index of its item, handed over by StoreFileInfo.
    std::unique_ptr<render::TFileInfo> Info;
    int InfoIndex = -1;
    std::atomic<bool> Stopped_{false};
    std::thread thread_;
};

// The editor's side of the length calculation: the running flag, the newest thread, starting
// and stopping, and the steps that workers run on the user-interface thread. Workers hand a
// step over and wait until this thread has run it; every step first checks that its worker
// was not stopped, and a stored record also that its item is still the one probed (same index
// and path), so that a late result is dropped. Finished threads are joined and freed here.
class CalcLenControl : public QObject {
    Q_OBJECT

public:
    CalcLenControl(CheckList& list, ICalcLenDisplay& display, QObject* parent = nullptr);
    // Stops every worker, releases those waiting for a step and joins them (a probe in progress
    // is waited for).
    ~CalcLenControl() override;

    // Stops a running calculation and starts a new one over a snapshot of the list.
    void StartCalcLen();
    // When a calculation runs: clears the running flag, stops the thread and resets the
    // display. Does not wait for the thread.
    void StopCalcLen();

    bool CalcLenRunning() const { return CalcLenRunning_; }
    // The most recently started calculation while it exists, otherwise null.
    TCalcLen* CalcLenThread() const { return CalcLenThread_; }
    // Calculations whose threads have not ended yet, the stopped ones included.
    int ThreadCount() const { return static_cast<int>(threads_.size()); }

    // The probe used for items without a record (render::ProbeFile by default) and the source
    // of its settings, read on this thread when a calculation starts.
    void setProbe(ProbeFunction probe) { probe_ = std::move(probe); }
    void setProbeSettingsSource(std::function<render::ProbeSettings()> source) {
        settingsSource_ = std::move(source);
    }

private:
    friend class TCalcLen;

    struct Step {
        std::function<void()> run;
        bool done = false;
    };

    // Worker side: runs step on the user-interface thread and waits for it. False when the
    // control is being destroyed and the step was not run.
    bool Synchronize(const std::function<void()>& step);
    // Worker side, its last action: asks the user-interface thread to end the calculation.
    void Terminated(TCalcLen& thread);

    Q_INVOKABLE void RunPendingSteps();
    void CalcLenTerminate(TCalcLen& thread);
    void StoreFileInfo(TCalcLen& thread, int index, const QString& path,
                       std::unique_ptr<render::TFileInfo> info);
    void WakeUserInterface(std::unique_lock<std::mutex>& lock);

    CheckList& list_;
    ICalcLenDisplay& display_;
    ProbeFunction probe_;
    std::function<render::ProbeSettings()> settingsSource_;

    bool CalcLenRunning_ = false;
    TCalcLen* CalcLenThread_ = nullptr;
    std::vector<std::unique_ptr<TCalcLen>> threads_;

    // Shared with the workers, under mutex_.
    std::mutex mutex_;
    std::condition_variable stepDone_;
    std::vector<Step*> pendingSteps_;
    std::vector<TCalcLen*> ended_;
    bool wakePosted_ = false;
    bool shuttingDown_ = false;
};

} // namespace playlist
