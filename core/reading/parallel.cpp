#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace varnotile {

void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& job) {
    std::atomic<std::size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    // Once a job failed (or a progress report stopped the work) the jobs not yet begun are
    // skipped: the whole is given up, and a cancel should not wait for the rest of it. The
    // first exception is passed on as before.
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (std::size_t i = next++; i < count && !failed.load(std::memory_order_relaxed); i = next++) {
            try {
                job(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
        }
    };
    const std::size_t threads = std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(threads);
        for (std::size_t t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break; // no thread to be had: the others and this one share the jobs
            }
        }
        work();
    } // the helpers are joined here
    if (failure) std::rethrow_exception(failure);
}

std::size_t partsFor(std::size_t items, std::size_t least) {
    if (items < least) return 1;
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace varnotile
