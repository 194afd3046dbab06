#include "range_statistics.h"

#include "parallel.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace varnotile {
namespace {

constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

// Mean and standard deviation from n numbers whose sums, after subtracting `shift`, are s1 and s2.
void finish(RangeStatistics& out, long double s1, long double s2, double shift) {
    if (out.count <= 0) return;
    const auto n = static_cast<long double>(out.count);
    out.mean = static_cast<double>(shift + s1 / n);
    if (out.count > 1) {
        const long double variance = std::max(0.0L, (s2 - s1 * s1 / n) / (n - 1));
        out.standardDeviation = static_cast<double>(std::sqrt(variance));
    }
}

} // namespace

RangeSummary::RangeSummary(const PointSequence& points) : points_(points) {
    const std::size_t n = points_.count;
    // The shift: a value of the column, so that the squares summed (in long double) stay near the
    // spread, not the level; the first number will do, and costs no pass over the rows.
    for (std::size_t i = 0; i < n; ++i)
        if (const double y = points_.yAt(i); std::isfinite(y)) {
            shift_ = y;
            break;
        }

    running_.assign(1, Block{});
    summarise(0);
}

void RangeSummary::extend(const PointSequence& points) {
    // The block of the last row (which may have been partial, or completed by the append) and
    // every new one are summarised.
    const std::size_t from = points_.count > 0 ? (points_.count - 1) / kBlock : 0;
    points_ = points;
    summarise(from);
}

void RangeSummary::summarise(std::size_t from) {
    const std::size_t n = points_.count;
    const std::size_t blocks = (n + kBlock - 1) / kBlock;
    running_.resize(blocks + 1);
    blockLeast_.resize(blocks);
    blockMost_.resize(blocks);
    for (std::size_t b = from; b < blocks; ++b) {
        Block block;
        blockLeast_[b] = blockMost_[b] = kNoPosition;
        scan(b * kBlock, std::min(n, (b + 1) * kBlock), block, blockLeast_[b], blockMost_[b]);
        Block& next = running_[b + 1];
        const Block& before = running_[b];
        next.count = before.count + block.count;
        next.missing = before.missing + block.missing;
        next.sum = before.sum + block.sum;
        next.squares = before.squares + block.squares;
        next.area = before.area + block.area;
    }
    // The tree of the blocks' extremes, made afresh: a few operations per block.
    leaves_ = 1;
    while (leaves_ < blocks) leaves_ *= 2;
    leastTree_.assign(2 * leaves_, kNoPosition);
    mostTree_.assign(2 * leaves_, kNoPosition);
    std::copy(blockLeast_.begin(), blockLeast_.end(), leastTree_.begin() + static_cast<std::ptrdiff_t>(leaves_));
    std::copy(blockMost_.begin(), blockMost_.end(), mostTree_.begin() + static_cast<std::ptrdiff_t>(leaves_));
    for (std::size_t node = leaves_ - 1; node >= 1; --node) {
        leastTree_[node] = lesser(leastTree_[2 * node], leastTree_[2 * node + 1]);
        mostTree_[node] = greater(mostTree_[2 * node], mostTree_[2 * node + 1]);
    }
}

double RangeSummary::trapezoid(std::size_t i) const {
    if (i == 0 || i >= points_.count) return 0;
    const double x0 = points_.xAt(i - 1), x1 = points_.xAt(i);
    const double y0 = points_.yAt(i - 1), y1 = points_.yAt(i);
    const double area = (x1 - x0) * (y0 + y1) / 2;
    return std::isfinite(area) ? area : 0;
}

std::size_t RangeSummary::lesser(std::size_t a, std::size_t b) const {
    if (a == kNoPosition) return b;
    if (b == kNoPosition) return a;
    const double ya = points_.yAt(a), yb = points_.yAt(b);
    return yb < ya || (yb == ya && b < a) ? b : a;
}

std::size_t RangeSummary::greater(std::size_t a, std::size_t b) const {
    if (a == kNoPosition) return b;
    if (b == kNoPosition) return a;
    const double ya = points_.yAt(a), yb = points_.yAt(b);
    return yb > ya || (yb == ya && b < a) ? b : a;
}

void RangeSummary::scan(std::size_t a, std::size_t b, Block& block, std::size_t& least, std::size_t& most) const {
    for (std::size_t i = a; i < b; ++i) {
        const double y = points_.yAt(i);
        block.area += trapezoid(i);
        if (!std::isfinite(y)) {
            ++block.missing;
            continue;
        }
        ++block.count;
        const long double d = static_cast<long double>(y) - shift_;
        block.sum += d;
        block.squares += d * d;
        if (least == kNoPosition || y < points_.yAt(least)) least = i;
        if (most == kNoPosition || y > points_.yAt(most)) most = i;
    }
}

RangeStatistics RangeSummary::over(std::size_t from, std::size_t to) const {
    RangeStatistics out;
    to = std::min(to, points_.count);
    if (from >= to) return out;
    Block sums;
    std::size_t least = kNoPosition, most = kNoPosition;
    const std::size_t firstWhole = (from + kBlock - 1) / kBlock, endWhole = to / kBlock;
    if (firstWhole >= endWhole) {
        scan(from, to, sums, least, most);
    } else {
        scan(from, firstWhole * kBlock, sums, least, most);
        const Block &lo = running_[firstWhole], &hi = running_[endWhole];
        sums.count += hi.count - lo.count;
        sums.missing += hi.missing - lo.missing;
        sums.sum += hi.sum - lo.sum;
        sums.squares += hi.squares - lo.squares;
        sums.area += hi.area - lo.area;
        // The extremes of the whole blocks from the tree, leaves firstWhole..endWhole-1.
        std::size_t l = firstWhole + leaves_, r = endWhole + leaves_;
        std::size_t treeLeast = kNoPosition, treeMost = kNoPosition;
        while (l < r) {
            if (l & 1) {
                treeLeast = lesser(treeLeast, leastTree_[l]);
                treeMost = greater(treeMost, mostTree_[l]);
                ++l;
            }
            if (r & 1) {
                --r;
                treeLeast = lesser(treeLeast, leastTree_[r]);
                treeMost = greater(treeMost, mostTree_[r]);
            }
            l /= 2;
            r /= 2;
        }
        least = lesser(least, treeLeast);
        most = greater(most, treeMost);
        scan(endWhole * kBlock, to, sums, least, most);
    }
    out.count = sums.count;
    out.missing = sums.missing;
    // The sums hold the trapezoid ending at `from`, which joins a row outside the range.
    out.integral = static_cast<double>(sums.area - trapezoid(from));
    finish(out, sums.sum, sums.squares, shift_);
    if (least != kNoPosition) {
        out.min = points_.yAt(least);
        out.minX = points_.xAt(least);
        out.max = points_.yAt(most);
        out.maxX = points_.xAt(most);
    }
    return out;
}

// ---- the index of a data set's columns

const std::vector<double>* RangeStatisticsIndex::xValues(const Document& ds, int xColumn) {
    if (!ds.isValueColumn(xColumn) || xColumn > ds.Layout.ColumnCount || !ds.Layout.ColumnIsNumeric[xColumn])
        return nullptr;
    return &ds.Table.Values[xColumn];
}

void RangeStatisticsIndex::forgetAll() {
    ++generation_;
    entries_.clear();
    orderValid_ = false;
    grownTo_ = 0;
}

void RangeStatisticsIndex::forget(int column) {
    ++generation_;
    if (column >= 0 && static_cast<std::size_t>(column) < entries_.size()) entries_[static_cast<std::size_t>(column)] = Entry{};
}

void RangeStatisticsIndex::statisticsChanged(int column) {
    // Rows appended are announced with the statistics of every column: the summaries grow.
    if (column == 0 && grownTo_ > 0) return;
    if (column == 0 || column == xColumn_)
        forgetAll();
    else
        forget(column);
}

void RangeStatisticsIndex::rowsInserted(int firstRow, int lastRow) {
    const std::size_t end = grownTo_ > 0 ? grownTo_ : order_.count;
    if (orderValid_ && firstRow >= 1 && static_cast<std::size_t>(firstRow) == end + 1 && lastRow >= firstRow)
        grownTo_ = static_cast<std::size_t>(lastRow);
    else
        forgetAll();
}

bool RangeStatisticsIndex::growOrder(const Document& ds, int xColumn) {
    const std::size_t grownTo = std::exchange(grownTo_, 0);
    const std::vector<double>* x = xValues(ds, xColumn);
    const auto count = static_cast<std::size_t>(std::max(ds.Layout.DataRowCount, 0));
    if (!orderValid_ || xColumn_ != xColumn || order_.x != x || !order_.sorted || count != grownTo || count < order_.count)
        return false;
    if (x) { // the appended X must keep the order
        if (x->size() <= count) return false;
        const double* v = x->data();
        for (std::size_t r = std::max<std::size_t>(order_.count, 2); r <= count; ++r)
            if (!std::isfinite(v[r]) || v[r] < v[r - 1]) return false;
        if (order_.count == 0 && !std::isfinite(v[1])) return false;
        order_.data = v;
        order_.size = x->size();
    }
    order_.count = count;
    for (std::size_t k = 1; k < entries_.size(); ++k) {
        Entry& e = entries_[k];
        const std::vector<double>& y = ds.Table.Values[k];
        if (!e.byRow || y.size() <= count) {
            e = Entry{};
            continue;
        }
        e.byRow->extend(PointSequence{x ? order_.data : nullptr, y.data(), nullptr, 1, count});
        e.data = y.data();
        e.size = y.size();
    }
    return true;
}

RangeStatisticsIndex::XOrder& RangeStatisticsIndex::xOrder(const Document& ds, int xColumn) {
    if (grownTo_ > 0 && growOrder(ds, xColumn)) return order_;
    const std::vector<double>* x = xValues(ds, xColumn);
    const auto count = static_cast<std::size_t>(std::max(ds.Layout.DataRowCount, 0));
    const bool same = orderValid_ && xColumn_ == xColumn && order_.x == x && order_.count == count &&
                      (!x || (order_.data == x->data() && order_.size == x->size()));
    if (same) return order_;
    ++generation_;
    entries_.clear();
    order_ = XOrder{};
    xColumn_ = xColumn;
    orderValid_ = true;
    order_.x = x;
    order_.count = count;
    if (!x) return order_;
    order_.data = x->data();
    order_.size = x->size();
    if (x->size() <= count) return order_;
    const double* v = x->data();
    for (std::size_t r = 1; r <= count && order_.sorted; ++r)
        order_.sorted = std::isfinite(v[r]) && (r == 1 || v[r] >= v[r - 1]);
    return order_;
}

void RangeStatisticsIndex::permute(XOrder& order) {
    if (order.sorted || order.permuted) return;
    order.permuted = true;
    sortByX(order.data, order.count, order.rows, order.keys);
}

void RangeStatisticsIndex::sortByX(const double* v, std::size_t count, std::vector<uint32_t>& rows, std::vector<double>& keys) {
    std::vector<std::pair<double, uint32_t>> keyed;
    keyed.reserve(count);
    for (std::size_t r = 1; r <= count; ++r)
        if (std::isfinite(v[r])) keyed.emplace_back(v[r], static_cast<uint32_t>(r));
    // Sorted in parts on the processor's cores, then merged; equal X stay in row order.
    const std::size_t parts = std::max<std::size_t>(1, partsFor(keyed.size(), std::size_t{1} << 12));
    const std::size_t step = (keyed.size() + parts - 1) / parts;
    auto bound = [&](std::size_t p) { return keyed.begin() + static_cast<std::ptrdiff_t>(std::min(keyed.size(), p * step)); };
    forEachInParallel(parts, [&](std::size_t p) { std::sort(bound(p), bound(p + 1)); });
    for (std::size_t p = 1; p < parts; ++p) std::inplace_merge(keyed.begin(), bound(p), bound(p + 1));
    rows.resize(keyed.size());
    keys.resize(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        keys[i] = keyed[i].first;
        rows[i] = keyed[i].second;
    }
}

int RangeStatisticsIndex::nearestRow(const Document& ds, int xColumn, int column, double x) {
    if (!ds.isValueColumn(column) || std::isnan(x)) return 0;
    XOrder& order = xOrder(ds, xColumn);
    const std::vector<double>& y = ds.Table.Values[column];
    if (order.count == 0 || y.size() <= order.count || (order.x && order.size <= order.count)) return 0;
    // Positions 0..n-1 in X order, their rows and X.
    permute(order);
    const bool byRow = !order.x || order.sorted;
    const std::size_t n = byRow ? order.count : order.rows.size();
    auto rowAt = [&](std::size_t i) { return byRow ? i + 1 : static_cast<std::size_t>(order.rows[i]); };
    auto xAt = [&](std::size_t i) { return !order.x ? static_cast<double>(i + 1) : byRow ? order.data[i + 1] : order.keys[i]; };
    std::size_t lo = 0, hi = n; // first position with X >= x
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (xAt(mid) < x) lo = mid + 1;
        else hi = mid;
    }
    // Walk outwards from the two neighbours to the nearest X with a number.
    constexpr std::size_t kReach = 4096;
    std::size_t best = 0;
    double bestDistance = 0;
    for (std::size_t step = 0; step < kReach; ++step) {
        bool any = false;
        for (const bool up : {true, false}) {
            if (up ? lo + step >= n : step + 1 > lo) continue;
            const std::size_t i = up ? lo + step : lo - step - 1;
            any = true;
            if (!std::isfinite(y[rowAt(i)])) continue;
            const double d = std::fabs(xAt(i) - x);
            if (best == 0 || d < bestDistance) best = rowAt(i), bestDistance = d;
        }
        if (!any || best != 0) break;
    }
    return static_cast<int>(best);
}

RangeStatisticsIndex::Entry& RangeStatisticsIndex::entry(const Document& ds, int column) {
    const auto k = static_cast<std::size_t>(column);
    if (entries_.size() <= k) entries_.resize(k + 1);
    Entry& e = entries_[k];
    const std::vector<double>& y = ds.Table.Values[k];
    if (e.data != y.data() || e.size != y.size()) e = Entry{y.data(), y.size(), nullptr, nullptr};
    return e;
}

void RangeStatisticsIndex::prepare(const Document& ds, int xColumn, const std::vector<int>& columns, bool overX) {
    XOrder& order = xOrder(ds, xColumn);
    const bool permuted = overX && order.x && !order.sorted;
    if (permuted) permute(order);
    if (order.x && order.size <= order.count) return;
    // Every entry made first: the jobs hold pointers into the entries.
    int most = 0;
    for (int k : columns) most = std::max(most, k);
    if (entries_.size() <= static_cast<std::size_t>(most)) entries_.resize(static_cast<std::size_t>(most) + 1);
    std::vector<std::pair<std::unique_ptr<RangeSummary>*, PointSequence>> jobs;
    for (int k : columns) {
        if (!ds.isValueColumn(k) || ds.Table.Values[k].size() <= order.count) continue;
        const double* y = ds.Table.Values[k].data();
        Entry& e = entry(ds, k);
        if (permuted && !e.byX)
            jobs.emplace_back(&e.byX, PointSequence{order.data, y, order.rows.data(), 0, order.rows.size(), order.keys.data()});
        else if (!permuted && !e.byRow)
            jobs.emplace_back(&e.byRow, PointSequence{order.x ? order.data : nullptr, y, nullptr, 1, order.count});
    }
    forEachInParallel(jobs.size(), [&](std::size_t i) { *jobs[i].first = std::make_unique<RangeSummary>(jobs[i].second); });
}

std::shared_ptr<SummaryBuild> RangeStatisticsIndex::startBuild(const Document& ds, int xColumn, const std::vector<int>& columns,
                                                              bool overX) {
    XOrder& order = xOrder(ds, xColumn);
    if (order.x && order.size <= order.count) return nullptr;
    auto build = std::make_shared<SummaryBuild>();
    SummaryBuild& b = *build;
    b.byX_ = overX && order.x && !order.sorted;
    for (int k : columns) {
        if (!ds.isValueColumn(k) || ds.Table.Values[k].size() <= order.count) continue;
        const auto u = static_cast<std::size_t>(k);
        const std::vector<double>& y = ds.Table.Values[u];
        const Entry* e = u < entries_.size() ? &entries_[u] : nullptr;
        if (e && e->data == y.data() && e->size == y.size() && (b.byX_ ? e->byX : e->byRow)) continue;
        if (std::any_of(b.columns_.begin(), b.columns_.end(), [&](const SummaryBuild::Column& c) { return c.column == k; }))
            continue;
        b.columns_.push_back(SummaryBuild::Column{k, y.data(), y.size(), {}, nullptr});
    }
    if (b.columns_.empty() && !(b.byX_ && !order.permuted)) return nullptr;
    b.generation_ = generation_;
    b.xColumn_ = xColumn;
    b.hasX_ = order.x != nullptr;
    b.count_ = order.count;
    b.liveX_ = order.data;
    b.liveXSize_ = order.size;
    if (b.byX_ && order.permuted) {
        b.rows_ = order.rows;
        b.keys_ = order.keys;
        b.ordered_ = true;
    }
    return build;
}

bool SummaryBuild::copySome(std::size_t most) {
    auto step = [&](const double* live, std::size_t size, std::vector<double>& to) {
        if (to.capacity() < size) to.reserve(size);
        const std::size_t n = std::min(most, size - to.size());
        to.insert(to.end(), live + to.size(), live + to.size() + n);
        most -= n;
        return to.size() >= size;
    };
    if (hasX_ && !step(liveX_, liveXSize_, x_)) return false;
    for (Column& c : columns_)
        if (!step(c.live, c.liveSize, c.y)) return false;
    return true;
}

bool RangeStatisticsIndex::current(const Document& ds, const SummaryBuild& b) const {
    // Rows appended at the end leave the values copied as they were; a vector moved or shrunk does not.
    auto same = [&](int k, const double* live, std::size_t size) {
        return k >= 1 && static_cast<std::size_t>(k) < ds.Table.Values.size() &&
               ds.Table.Values[static_cast<std::size_t>(k)].data() == live && ds.Table.Values[static_cast<std::size_t>(k)].size() >= size;
    };
    if (b.generation_ != generation_ || !orderValid_ || xColumn_ != b.xColumn_ || order_.count != b.count_ ||
        order_.data != b.liveX_ || (b.hasX_ && !same(b.xColumn_, b.liveX_, b.liveXSize_)))
        return false;
    return std::all_of(b.columns_.begin(), b.columns_.end(), [&](const SummaryBuild::Column& c) { return same(c.column, c.live, c.liveSize); });
}

void SummaryBuild::run() {
    const double* x = hasX_ ? x_.data() : nullptr;
    if (byX_ && !ordered_) RangeStatisticsIndex::sortByX(x, count_, rows_, keys_);
    ordered_ = true;
    forEachInParallel(columns_.size(), [&](std::size_t i) {
        Column& c = columns_[i];
        c.summary = std::make_unique<RangeSummary>(byX_ ? PointSequence{x, c.y.data(), rows_.data(), 0, rows_.size(), keys_.data()}
                                                        : PointSequence{x, c.y.data(), nullptr, 1, count_});
    });
}

std::size_t SummaryBuild::size() const {
    // Sorting X costs about as much as summarising four columns.
    const std::size_t order = byX_ && !ordered_ ? 4 * count_ : hasX_ ? count_ : 0;
    return order + columns_.size() * count_;
}

bool RangeStatisticsIndex::finishBuild(const Document& ds, SummaryBuild& b) {
    if (b.generation_ != generation_ || !b.ordered_ || !orderValid_ || xColumn_ != b.xColumn_ || order_.count != b.count_ ||
        (order_.x != nullptr) != b.hasX_ || order_.data != b.liveX_ || order_.size != b.liveXSize_ || (b.byX_ && order_.sorted))
        return false;
    if (b.byX_ && !order_.permuted) {
        order_.rows = std::move(b.rows_);
        order_.keys = std::move(b.keys_);
        order_.permuted = true;
    }
    for (SummaryBuild::Column& c : b.columns_) {
        const auto k = static_cast<std::size_t>(c.column);
        if (!c.summary || k >= ds.Table.Values.size()) continue;
        const std::vector<double>& y = ds.Table.Values[k];
        // Moved since: made afresh when asked. Rows appended since are taken in as the index
        // takes in appended rows.
        if (y.data() != c.live || y.size() < c.liveSize) continue;
        if (entries_.size() <= k) entries_.resize(k + 1);
        Entry& e = entries_[k];
        if (e.data != c.live || e.size != c.liveSize) e = Entry{c.live, c.liveSize, nullptr, nullptr};
        std::unique_ptr<RangeSummary>& slot = b.byX_ ? e.byX : e.byRow;
        if (slot) continue;
        // The copies held the same values as the data set holds now: the summary reads those.
        c.summary->rebind(b.byX_ ? PointSequence{order_.data, c.live, order_.rows.data(), 0, order_.rows.size(), order_.keys.data()}
                                 : PointSequence{order_.x ? order_.data : nullptr, c.live, nullptr, 1, order_.count});
        slot = std::move(c.summary);
    }
    return true;
}

bool RangeStatisticsIndex::xOrderReady(const Document& ds, int xColumn) {
    const XOrder& order = xOrder(ds, xColumn);
    return !order.x || order.sorted || order.permuted;
}

bool RangeStatisticsIndex::xSorted(const Document& ds, int xColumn) { return xOrder(ds, xColumn).sorted; }

RangeStatistics RangeStatisticsIndex::overRows(const Document& ds, int xColumn, int column, int firstRow, int lastRow) {
    if (!ds.isValueColumn(column)) return {};
    XOrder& order = xOrder(ds, xColumn);
    const std::vector<double>& y = ds.Table.Values[column];
    if (y.size() <= order.count || (order.x && order.size <= order.count)) return {};
    Entry& e = entry(ds, column);
    if (!e.byRow) e.byRow = std::make_unique<RangeSummary>(
                        PointSequence{order.x ? order.data : nullptr, y.data(), nullptr, 1, order.count});
    const auto from = static_cast<std::size_t>(std::max(firstRow, 1) - 1);
    const auto to = static_cast<std::size_t>(std::max(lastRow, 0));
    return e.byRow->over(from, to);
}

RangeStatistics RangeStatisticsIndex::overX(const Document& ds, int xColumn, int column, double x1, double x2) {
    if (!ds.isValueColumn(column) || std::isnan(x1) || std::isnan(x2)) return {};
    if (x2 < x1) std::swap(x1, x2);
    XOrder& order = xOrder(ds, xColumn);
    const std::vector<double>& y = ds.Table.Values[column];
    if (y.size() <= order.count || (order.x && order.size <= order.count)) return {};
    if (!order.x) { // the row number: rows ceil(x1)..floor(x2)
        const double first = std::max(1.0, std::ceil(x1)), last = std::min(static_cast<double>(order.count), std::floor(x2));
        if (first > last) return {};
        return overRows(ds, xColumn, column, static_cast<int>(first), static_cast<int>(last));
    }
    if (order.sorted) {
        const double* begin = order.data + 1;
        const double* end = begin + order.count;
        const auto from = static_cast<std::size_t>(std::lower_bound(begin, end, x1) - begin);
        const auto to = static_cast<std::size_t>(std::upper_bound(begin, end, x2) - begin);
        return overRows(ds, xColumn, column, static_cast<int>(from + 1), static_cast<int>(to));
    }
    permute(order);
    Entry& e = entry(ds, column);
    if (!e.byX)
        e.byX = std::make_unique<RangeSummary>(
            PointSequence{order.data, y.data(), order.rows.data(), 0, order.rows.size(), order.keys.data()});
    const auto from = static_cast<std::size_t>(std::lower_bound(order.keys.begin(), order.keys.end(), x1) - order.keys.begin());
    const auto to = static_cast<std::size_t>(std::upper_bound(order.keys.begin(), order.keys.end(), x2) - order.keys.begin());
    return e.byX->over(from, to);
}

RangeStatistics DirectRangeStatistics(const std::vector<double>* x, const std::vector<double>& y,
                                      const std::vector<std::size_t>& rows) {
    RangeStatistics out;
    auto xAt = [&](std::size_t r) { return x ? (*x)[r] : static_cast<double>(r); };
    long double sum = 0;
    bool first = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t r = rows[i];
        const double v = y[r];
        if (i > 0) {
            const double area = (xAt(r) - xAt(rows[i - 1])) * (y[rows[i - 1]] + v) / 2;
            if (std::isfinite(area)) out.integral += area;
        }
        if (!std::isfinite(v)) {
            ++out.missing;
            continue;
        }
        ++out.count;
        sum += v;
        if (first || v < out.min) out.min = v, out.minX = xAt(r);
        if (first || v > out.max) out.max = v, out.maxX = xAt(r);
        first = false;
    }
    if (out.count == 0) return out;
    out.mean = static_cast<double>(sum / out.count);
    long double squares = 0;
    for (std::size_t r : rows)
        if (std::isfinite(y[r])) squares += (y[r] - static_cast<long double>(out.mean)) * (y[r] - out.mean);
    if (out.count > 1) out.standardDeviation = static_cast<double>(std::sqrt(squares / (out.count - 1)));
    return out;
}

} // namespace varnotile
