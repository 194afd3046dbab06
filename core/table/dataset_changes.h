#pragma once
// How the data set tells the views what an operation changed. Every operation announces its
// changes as they happen and, once it is over, one operationFinished(); views that redraw a lot
// at once (the header row, the chart) collect the changes and redraw there, once per operation.
#include <algorithm>
#include <vector>

namespace varnotile {

// Receives the changes of a data set. Rows and columns are data rows and data columns (from 1).
class DataSetObserver {
public:
    virtual ~DataSetObserver() = default;
    // Cell texts of `column` (0: every column) in rows firstRow..lastRow changed.
    virtual void cellsChanged(int /*column*/, int /*firstRow*/, int /*lastRow*/) {}
    // Rows firstRow..lastRow are about to leave the table (it still holds them), then they have
    // left it and the rows below moved up.
    virtual void aboutToRemoveRows(int /*firstRow*/, int /*lastRow*/) {}
    virtual void rowsRemoved(int /*firstRow*/, int /*lastRow*/) {}
    // Rows are about to be put into the table so that they become rows firstRow..lastRow, then
    // they are there and the rows from firstRow on moved down. Rows added at the end come the
    // same way, with firstRow one past the last row.
    virtual void aboutToInsertRows(int /*firstRow*/, int /*lastRow*/) {}
    virtual void rowsInserted(int /*firstRow*/, int /*lastRow*/) {}
    // Column `column` was deleted (it stays in the table, hidden) or came back with its width.
    virtual void columnHidden(int /*column*/) {}
    virtual void columnShown(int /*column*/, int /*width*/) {}
    // Column names or labels changed.
    virtual void columnsRenamed() {}
    // The numbers of `column` (0: every column) changed, and with them the statistics.
    virtual void statisticsChanged(int /*column*/) {}
    // The whole table was replaced (a load).
    virtual void tableReplaced() {}
    // The operation that made the changes above is over.
    virtual void operationFinished() {}
};

// The data set's list of observers; operations announce through it.
class DataSetChanges {
public:
    void addObserver(DataSetObserver* observer) { observers_.push_back(observer); }
    void removeObserver(DataSetObserver* observer) {
        observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
    }

    void cellsChanged(int column, int firstRow, int lastRow) { each(&DataSetObserver::cellsChanged, column, firstRow, lastRow); }
    void aboutToRemoveRows(int firstRow, int lastRow) { each(&DataSetObserver::aboutToRemoveRows, firstRow, lastRow); }
    void rowsRemoved(int firstRow, int lastRow) { each(&DataSetObserver::rowsRemoved, firstRow, lastRow); }
    void aboutToInsertRows(int firstRow, int lastRow) { each(&DataSetObserver::aboutToInsertRows, firstRow, lastRow); }
    void rowsInserted(int firstRow, int lastRow) { each(&DataSetObserver::rowsInserted, firstRow, lastRow); }
    void columnHidden(int column) { each(&DataSetObserver::columnHidden, column); }
    void columnShown(int column, int width) { each(&DataSetObserver::columnShown, column, width); }
    void columnsRenamed() { each(&DataSetObserver::columnsRenamed); }
    void statisticsChanged(int column) { each(&DataSetObserver::statisticsChanged, column); }
    void tableReplaced() { each(&DataSetObserver::tableReplaced); }

    // Operations nest (an undo runs inside the command that asked for it); only the outermost
    // one's end is announced.
    void beginOperation() { ++depth_; }
    void endOperation() {
        if (--depth_ == 0) each(&DataSetObserver::operationFinished);
    }

private:
    template <typename... Params, typename... Args>
    void each(void (DataSetObserver::*change)(Params...), Args... args) {
        // A copy: an observer may stop observing while it is told.
        const std::vector<DataSetObserver*> observers = observers_;
        for (DataSetObserver* o : observers) (o->*change)(args...);
    }

    std::vector<DataSetObserver*> observers_;
    int depth_ = 0;
};

// One operation on the data set, from construction to destruction.
class ChangeScope {
public:
    explicit ChangeScope(DataSetChanges& changes) : changes_(changes) { changes_.beginOperation(); }
    ~ChangeScope() { changes_.endOperation(); }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

private:
    DataSetChanges& changes_;
};

} // namespace varnotile
