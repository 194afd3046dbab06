#pragma once
// Work shared out over the processor's cores.
#include <cstddef>
#include <functional>

namespace varnotile {

// Runs job(0) .. job(count - 1) on the processor's cores, the calling thread among them; returns
// when all are done and passes on the first exception a job threw. Without threads to spare the
// calling thread runs them all.
void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& job);

// How many parts a job over `items` items is worth splitting into: one per core, one alone for
// fewer than `least` items.
std::size_t partsFor(std::size_t items, std::size_t least);

} // namespace varnotile
