#include "engine/SampleLoader.h"

#include "engine/BackgroundThread.h"
#include "engine/SampleHandOver.h"

#include <chrono>
#include <functional>
#include <condition_variable>
#include <mutex>
#include <thread>

// What the owner and the thread share; the thread holds it too, so that a
// thread left to finish alone never reads freed memory.
struct SampleLoader::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable exited;
    // Held while the thread frees replaced samples of the hand-over; the
    // owner takes it before it lets the hand-over go.
    std::mutex collecting;

    // Under mutex.
    SampleHandOver* handOver = nullptr; // null once the owner is gone
    bool quit = false;
    bool threadExited = false;
    bool collectWanted = false;
    uint64_t generation = 0; // a request or a cancel makes the running load stale
    std::unique_ptr<Request> pending;
    std::unique_ptr<Result> result;
    std::unique_ptr<Result> discarded; // freed on the thread
    std::vector<FileBytes> garbage;     // freed on the thread
    std::shared_ptr<WaveReadWatch> watch; // the running load's
    std::string path;
    void (*pacing)(void*) = nullptr;
    void* pacingContext = nullptr;

    std::thread thread; // the owner's
};

SampleLoader::SampleLoader(SampleHandOver& handOver) : handOver_(handOver)
{
}

SampleLoader::~SampleLoader()
{
    if (shared_ == nullptr || !shared_->thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> collecting(shared_->collecting);
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->handOver = nullptr;
        shared_->quit = true;
        if (shared_->watch != nullptr)
            shared_->watch->stop.store(true, std::memory_order_relaxed);
        shared_->wake.notify_all();
    }
    std::unique_lock<std::mutex> lock(shared_->mutex);
    const bool done = shared_->exited.wait_for(lock, std::chrono::milliseconds(100),
                                               [&] { return shared_->threadExited; });
    lock.unlock();
    if (done) {
        shared_->thread.join();
    } else {
        // A read that does not come back (a stalled disk): the thread ends on
        // its own, owning what it holds.
        pinThisModule();
        shared_->thread.detach();
    }
}

bool SampleLoader::start()
{
    if (shared_ != nullptr)
        return true;
    try {
        auto shared = std::make_shared<Shared>();
        shared->handOver = &handOver_;
        shared->thread = std::thread(run, shared);
        shared_ = std::move(shared);
        return true;
    } catch (...) {
        return false;
    }
}

bool SampleLoader::request(Request request)
{
    if (!start())
        return false;
    std::unique_ptr<Request> next;
    try {
        next = std::make_unique<Request>(std::move(request));
    } catch (...) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    ++shared_->generation;
    if (shared_->watch != nullptr)
        shared_->watch->stop.store(true, std::memory_order_relaxed);
    if (shared_->result != nullptr)
        shared_->discarded = std::move(shared_->result);
    shared_->pending = std::move(next);
    shared_->wake.notify_all();
    return true;
}

void SampleLoader::cancel()
{
    if (shared_ == nullptr)
        return;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    ++shared_->generation;
    if (shared_->watch != nullptr)
        shared_->watch->stop.store(true, std::memory_order_relaxed);
    shared_->pending.reset();
    if (shared_->result != nullptr) {
        shared_->discarded = std::move(shared_->result);
        shared_->wake.notify_all();
    }
}

std::unique_ptr<SampleLoader::Result> SampleLoader::takeResult()
{
    if (shared_ == nullptr)
        return nullptr;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return std::move(shared_->result);
}

LoadProgress SampleLoader::progress() const
{
    LoadProgress progress;
    if (shared_ == nullptr)
        return progress;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->watch == nullptr && shared_->pending == nullptr)
        return progress;
    progress.active = true;
    try {
        progress.path = shared_->watch != nullptr ? shared_->path : shared_->pending->paths.front();
    } catch (...) {
    }
    if (shared_->watch != nullptr)
        progress.permille = shared_->watch->permille.load(std::memory_order_relaxed);
    return progress;
}

bool SampleLoader::busy() const
{
    if (shared_ == nullptr)
        return false;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->watch != nullptr || shared_->pending != nullptr || shared_->result != nullptr;
}

bool SampleLoader::collectRetired()
{
    if (shared_ == nullptr)
        return false;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->collectWanted = true;
    shared_->wake.notify_all();
    return true;
}

bool SampleLoader::dispose(std::vector<FileBytes>& garbage)
{
    if (shared_ == nullptr || garbage.empty())
        return false;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    try {
        shared_->garbage.reserve(shared_->garbage.size() + garbage.size());
    } catch (...) {
        return false;
    }
    for (FileBytes& bytes : garbage)
        shared_->garbage.push_back(std::move(bytes));
    garbage.clear();
    shared_->wake.notify_all();
    return true;
}

void SampleLoader::setReadPacing(void (*beforeRead)(void*), void* context)
{
    if (!start())
        return;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->pacing = beforeRead;
    shared_->pacingContext = context;
}

namespace {

// Tries the request's files in order; never throws.
void load(const SampleLoader::Request& request, WaveReadWatch& watch, SampleLoader::Result& result,
          const std::function<void(const std::string&)>& starting)
{
    result.program = request.program;
    for (size_t i = 0; i < request.paths.size(); ++i) {
        starting(request.paths[i]);
        watch.permille.store(0, std::memory_order_relaxed);
        PreparedSample prepared;
        const uint64_t budget = i < request.keepBudgets.size() ? request.keepBudgets[i] : 0;
        if (prepareSampleFile(request.paths[i].c_str(), budget, request.channelMode, &watch, prepared)) {
            result.loaded = true;
            result.prepared = std::move(prepared);
            return;
        }
        if (prepared.stopped)
            return;
        if (result.failure.empty())
            result.failure = prepared.refusal.text;
    }
}

} // namespace

void SampleLoader::run(std::shared_ptr<Shared> shared)
{
    yieldToTheHost();
    std::unique_lock<std::mutex> lock(shared->mutex);
    while (!shared->quit) {
        shared->wake.wait(lock, [&] {
            return shared->quit || shared->pending != nullptr || shared->collectWanted || shared->discarded != nullptr ||
                   !shared->garbage.empty();
        });
        if (shared->quit)
            break;
        if (shared->discarded != nullptr || shared->collectWanted || !shared->garbage.empty()) {
            // Freeing takes a while for a large sample: never under the lock.
            std::unique_ptr<Result> discarded = std::move(shared->discarded);
            std::vector<FileBytes> garbage;
            garbage.swap(shared->garbage);
            shared->collectWanted = false;
            lock.unlock();
            discarded.reset();
            garbage.clear();
            {
                const std::lock_guard<std::mutex> collecting(shared->collecting);
                SampleHandOver* handOver;
                {
                    const std::lock_guard<std::mutex> relock(shared->mutex);
                    handOver = shared->handOver;
                }
                if (handOver != nullptr)
                    handOver->collectRetired();
            }
            lock.lock();
            continue;
        }
        std::unique_ptr<Request> request = std::move(shared->pending);
        const uint64_t generation = shared->generation;
        std::unique_ptr<Result> result;
        try {
            shared->watch = std::make_shared<WaveReadWatch>();
            shared->watch->beforeRead = shared->pacing;
            shared->watch->context = shared->pacingContext;
            result = std::make_unique<Result>();
        } catch (...) {
        }
        const std::shared_ptr<WaveReadWatch> watch = shared->watch;
        lock.unlock();
        if (result != nullptr && watch != nullptr) {
            try {
                load(*request, *watch, *result, [&](const std::string& path) {
                    const std::lock_guard<std::mutex> relock(shared->mutex);
                    shared->path = path;
                });
            } catch (...) {
                result.reset();
            }
        }
        request.reset();
        lock.lock();
        shared->watch.reset();
        const bool stale = generation != shared->generation || shared->quit || result == nullptr ||
                           (watch != nullptr && watch->stop.load(std::memory_order_relaxed));
        if (!stale) {
            shared->result = std::move(result);
        } else {
            lock.unlock();
            result.reset();
            lock.lock();
        }
    }
    shared->threadExited = true;
    shared->exited.notify_all();
}
