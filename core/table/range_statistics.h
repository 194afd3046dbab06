#pragma once
// Statistics of one column over a range of rows, fast enough to follow every zoom of ten million
// rows: count, missing values, mean, standard deviation, minimum and maximum with their X, and the
// integral over X by trapezoids. Each column is summarised once per block of rows (running sums
// over the blocks, and a tree of the blocks' extremes), so a range costs its two partial blocks
// plus a logarithm of the blocks between them, whatever its length.
#include "dataset.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace varnotile {

struct RangeStatistics {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    int64_t count = 0;   // rows of the range with a number
    int64_t missing = 0; // rows of the range without one (a missing value)
    double mean = kNone;
    double standardDeviation = kNone; // the sample's (n - 1); none below two numbers
    double min = kNone, minX = kNone; // the first row of the range holding the least value, and its X
    double max = kNone, maxX = kNone;
    // Sum of the trapezoids between neighbouring rows of the range (in the order of the range)
    // whose X and value are both numbers; a missing value leaves a gap, as on the chart.
    double integral = 0;
};

// The points one summary reads: X and Y of position i are x[order[i]] and y[order[i]] (without
// `order`, of row i + first). A null `x` stands for the row number.
struct PointSequence {
    const double* x = nullptr;
    const double* y = nullptr;
    const uint32_t* order = nullptr;
    std::size_t first = 0; // the row of position 0 when there is no order
    std::size_t count = 0;
    // X by position instead (the X column already in `order`): read in turn, not all over memory.
    const double* xByPosition = nullptr;
    std::size_t row(std::size_t i) const { return order ? order[i] : first + i; }
    double xAt(std::size_t i) const {
        return xByPosition ? xByPosition[i] : x ? x[row(i)] : static_cast<double>(row(i));
    }
    double yAt(std::size_t i) const { return y[row(i)]; }
};

// The summary of one sequence of points; it reads them through the sequence's pointers, which
// must stay valid and unchanged while it is used.
class RangeSummary {
public:
    static constexpr std::size_t kBlock = 1024;
    explicit RangeSummary(const PointSequence& points);
    // Statistics of positions from..to-1 (clamped to the sequence).
    RangeStatistics over(std::size_t from, std::size_t to) const;
    // The same points with more appended (the pointers may have moved): only the last block and
    // the new ones are summarised.
    void extend(const PointSequence& points);
    const PointSequence& points() const { return points_; }
    // The same points, read from another place from now on (a copy's values now in the data set).
    void rebind(const PointSequence& points) { points_ = points; }

private:
    struct Block {
        int64_t count = 0, missing = 0;
        long double sum = 0, squares = 0, area = 0; // sums of (y - shift), (y - shift)^2, trapezoids ending here
    };
    // Summarises blocks `from` on, and makes the tree.
    void summarise(std::size_t from);
    // Adds positions a..b-1 to `block`, and their extremes to least/most (positions).
    void scan(std::size_t a, std::size_t b, Block& block, std::size_t& least, std::size_t& most) const;
    // The better of two positions for the least (most) value; npos stands for none.
    std::size_t lesser(std::size_t a, std::size_t b) const;
    std::size_t greater(std::size_t a, std::size_t b) const;
    // Trapezoid between positions i - 1 and i, 0 when one of them lacks X or value.
    double trapezoid(std::size_t i) const;

    PointSequence points_;
    double shift_ = 0; // subtracted before squaring (the first number): keeps the sums of squares precise
    std::vector<Block> running_;   // running_[b]: sums of blocks 0..b-1
    std::size_t leaves_ = 1;       // the tree's leaves: a power of two, at least the blocks
    std::vector<std::size_t> leastTree_, mostTree_; // per node the position of its extreme, or none
    std::vector<std::size_t> blockLeast_, blockMost_; // per block, npos for none
};

// A first look made apart from the index, on another thread: the X order and the summaries
// RangeStatisticsIndex::prepare would make, built from copies of the columns they read, so that
// the data set may change meanwhile. The index takes the result in only if it did not.
class SummaryBuild {
public:
    // Builds the order and the summaries, once all is copied; touches nothing but the copies.
    void run();
    // How many values the build reads: a small one is quicker run at once than on a thread.
    std::size_t size() const;
    // Copies up to `most` more values of the columns it reads; true once all are copied. Asked
    // in steps on the window's thread, each while the index says the build is current().
    bool copySome(std::size_t most);

private:
    friend class RangeStatisticsIndex;
    struct Column {
        int column = 0;
        const double* live = nullptr; // the data set's vector when copied, and its size
        std::size_t liveSize = 0;
        std::vector<double> y;
        std::unique_ptr<RangeSummary> summary;
    };
    uint64_t generation_ = 0;
    int xColumn_ = 0;
    bool byX_ = false; // summaries in X order (X not sorted), else in row order
    bool hasX_ = false;
    bool ordered_ = false; // rows_ and keys_ made already
    std::size_t count_ = 0;
    const double* liveX_ = nullptr;
    std::size_t liveXSize_ = 0;
    std::vector<double> x_;
    std::vector<uint32_t> rows_; // the X order (when byX_)
    std::vector<double> keys_;
    std::vector<Column> columns_;
};

// The range summaries of a data set's columns, made when first asked for and made again after
// a change of their values or of the X column. It listens to the data set's changes (rows
// appended at the end, as a followed file grows, only extend the summaries); a load is noticed
// by the values' vectors, which a load always makes anew (or call forgetAll()).
class RangeStatisticsIndex : public DataSetObserver {
public:
    // Statistics of `column` over the rows whose X lies in x1..x2 (either order); rows without a
    // number in X are in no range. X is the X column of the view, or the row number.
    RangeStatistics overX(const Document& ds, int xColumn, int column, double x1, double x2);
    // Statistics of `column` over rows firstRow..lastRow, in row order.
    RangeStatistics overRows(const Document& ds, int xColumn, int column, int firstRow, int lastRow);
    // The X order of the rows is X itself (sorted, every X a number): then a range of X is a
    // range of rows.
    bool xSorted(const Document& ds, int xColumn);
    // The row nearest to X = x (either side) whose value in `column` is a number, within a few
    // thousand rows of the nearest X; 0 for none. X sorted: a bisection of the X column.
    int nearestRow(const Document& ds, int xColumn, int column, double x);
    // Makes the summaries overX (or overRows) will need for `columns`, all at once on the
    // processor's cores: a first look at many columns of ten million rows takes a fraction.
    void prepare(const Document& ds, int xColumn, const std::vector<int>& columns, bool overX);
    // The work prepare() would do, with copies of what it reads, for run() on another thread;
    // null when there is none. May throw std::bad_alloc (no room for the copies).
    std::shared_ptr<SummaryBuild> startBuild(const Document& ds, int xColumn, const std::vector<int>& columns, bool overX);
    // Takes in a build that has run, unless the data set changed since it started (an edit, rows
    // removed or inserted, another X): then it is dropped and false returned.
    bool finishBuild(const Document& ds, SummaryBuild& build);
    // Whether the columns a build copies are still where and as they were when it started.
    bool current(const Document& ds, const SummaryBuild& build) const;
    // Whether nearestRow has what it needs at hand (X sorted, or its order already made).
    bool xOrderReady(const Document& ds, int xColumn);
    void forgetAll();
    void forget(int column);

    void statisticsChanged(int column) override;
    void rowsRemoved(int, int) override { forgetAll(); }
    void rowsInserted(int firstRow, int lastRow) override;
    void tableReplaced() override { forgetAll(); }

private:
    friend class SummaryBuild;
    struct XOrder {
        const std::vector<double>* x = nullptr;
        const double* data = nullptr;
        std::size_t size = 0, count = 0;
        bool sorted = true;
        // Rows with a number in X, by X, and their X (made when first needed, when not sorted).
        bool permuted = false;
        std::vector<uint32_t> rows;
        std::vector<double> keys;
    };
    struct Entry {
        const double* data = nullptr; // the values' vector the summaries were made of
        std::size_t size = 0;
        std::unique_ptr<RangeSummary> byRow, byX;
    };
    XOrder& xOrder(const Document& ds, int xColumn);
    // Takes in the rows appended since the summaries were made; false when they must be made afresh.
    bool growOrder(const Document& ds, int xColumn);
    std::size_t grownTo_ = 0; // rows appended up to this row, not taken in yet (0: none)
    void permute(XOrder& order);
    Entry& entry(const Document& ds, int column);
    static const std::vector<double>* xValues(const Document& ds, int xColumn);

    // The X order of rows 1..count of v: the rows with a number in X, and their X.
    static void sortByX(const double* v, std::size_t count, std::vector<uint32_t>& rows, std::vector<double>& keys);

    uint64_t generation_ = 0; // counts what was forgotten: a build started before is stale
    int xColumn_ = -1;
    XOrder order_;
    bool orderValid_ = false;
    std::vector<Entry> entries_;
};

// The same statistics computed row by row, the plain way (for checks and small ranges): the
// rows given, in the order given, with X from `x` (null: the row number).
RangeStatistics DirectRangeStatistics(const std::vector<double>* x, const std::vector<double>& y,
                                      const std::vector<std::size_t>& rows);

} // namespace varnotile
