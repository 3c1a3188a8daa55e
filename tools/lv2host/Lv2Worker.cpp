#include "tools/lv2host/Lv2Worker.h"

#include <cstring>

namespace {

std::vector<uint8_t> copyOf(uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

Lv2Worker::Lv2Worker()
{
    schedule_.handle = this;
    schedule_.schedule_work = [](LV2_Worker_Schedule_Handle self, uint32_t size, const void* data) {
        return static_cast<Lv2Worker*>(self)->schedule(size, data);
    };
}

Lv2Worker::~Lv2Worker()
{
    stop();
}

void Lv2Worker::start(LV2_Handle instance, const LV2_Worker_Interface* interface)
{
    instance_ = instance;
    interface_ = interface;
    if (interface_ != nullptr && interface_->work != nullptr)
        thread_ = std::thread([this] { loop(); });
}

void Lv2Worker::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

LV2_Worker_Status Lv2Worker::schedule(uint32_t size, const void* data)
{
    if (size > 0 && data == nullptr)
        return LV2_WORKER_ERR_UNKNOWN;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return LV2_WORKER_ERR_NO_SPACE;
        requests_.push_back(copyOf(size, data));
    }
    wake_.notify_one();
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Worker::respond(uint32_t size, const void* data)
{
    if (size > 0 && data == nullptr)
        return LV2_WORKER_ERR_UNKNOWN;
    std::lock_guard lock(mutex_);
    responses_.push_back(copyOf(size, data));
    return LV2_WORKER_SUCCESS;
}

void Lv2Worker::loop()
{
    auto respond = [](LV2_Worker_Respond_Handle self, uint32_t size, const void* data) {
        return static_cast<Lv2Worker*>(self)->respond(size, data);
    };
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !requests_.empty(); });
        if (requests_.empty())
            return;
        Message request = std::move(requests_.front());
        requests_.pop_front();
        busy_ = true;
        lock.unlock();
        interface_->work(instance_, respond, this, uint32_t(request.size()), request.data());
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

void Lv2Worker::finishBlock()
{
    if (interface_ == nullptr)
        return;
    std::deque<Message> answers;
    {
        std::unique_lock lock(mutex_);
        if (thread_.joinable())
            idle_.wait(lock, [this] { return requests_.empty() && !busy_; });
        answers.swap(responses_);
    }
    if (interface_->work_response != nullptr)
        for (const Message& answer : answers)
            interface_->work_response(instance_, uint32_t(answer.size()), answer.data());
    if (interface_->end_run != nullptr)
        interface_->end_run(instance_);
}
