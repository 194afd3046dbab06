#pragma once
// Writes down the changes a data set announces, one short text each, for tests to compare.
#include "dataset.h"

#include <string>

namespace varnotile::test {

class ChangeRecorder : public DataSetObserver {
public:
    explicit ChangeRecorder(DataSet& ds) : ds_(ds) { ds_.Changes.addObserver(this); }
    ~ChangeRecorder() override { ds_.Changes.removeObserver(this); }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    // What was announced since the last call, e.g. "cells 1 5-5; statistics 1; finished".
    std::string take() {
        std::string out;
        out.swap(seen_);
        return out;
    }

    void cellsChanged(int c, int a, int b) override { note("cells " + n(c) + " " + n(a) + "-" + n(b)); }
    void rowsRemoved(int a, int b) override { note("removed " + n(a) + "-" + n(b)); }
    void rowsInserted(int a, int b) override { note("inserted " + n(a) + "-" + n(b)); }
    void columnHidden(int c) override { note("hidden " + n(c)); }
    void columnShown(int c, int w) override { note("shown " + n(c) + " " + n(w)); }
    void columnsRenamed() override { note("renamed"); }
    void statisticsChanged(int c) override { note("statistics " + n(c)); }
    void tableReplaced() override { note("replaced"); }
    void operationFinished() override { note("finished"); }

private:
    static std::string n(int v) { return std::to_string(v); }
    void note(const std::string& text) { seen_ += (seen_.empty() ? "" : "; ") + text; }
    DataSet& ds_;
    std::string seen_;
};

} // namespace varnotile::test
