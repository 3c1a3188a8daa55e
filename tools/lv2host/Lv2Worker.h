#pragma once
// The LV2 worker as a host runs it: the plug-in schedules work from run(),
// a thread of the host's does it, and the answers go back to the plug-in
// after a later run(), followed by end_run(). This host waits for the work
// after each block, so a load asked for in one block is answered at its end
// and a render comes out the same on every run.

#include <lv2/worker/worker.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class Lv2Worker {
public:
    Lv2Worker();
    ~Lv2Worker();
    Lv2Worker(const Lv2Worker&) = delete;
    Lv2Worker& operator=(const Lv2Worker&) = delete;

    // The feature given to instantiate(); work is queued until start().
    LV2_Worker_Schedule* scheduleFeature() { return &schedule_; }
    // Starts the thread once the instance and its worker interface exist.
    void start(LV2_Handle instance, const LV2_Worker_Interface* interface);
    void stop();

    // After each run(): waits until all work scheduled so far is done, then
    // hands the answers to the plug-in and calls end_run().
    void finishBlock();

private:
    using Message = std::vector<uint8_t>;
    LV2_Worker_Status schedule(uint32_t size, const void* data);
    LV2_Worker_Status respond(uint32_t size, const void* data);
    void loop();

    LV2_Worker_Schedule schedule_;
    LV2_Handle instance_ = nullptr;
    const LV2_Worker_Interface* interface_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Message> requests_;
    std::deque<Message> responses_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
