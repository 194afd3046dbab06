#include "modification.h"

#include "cell_editing.h"
#include "number_text.h"
#include "statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <vector>

namespace varnotile {

bool parseRowField(std::string_view text, int& out) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    if (text.empty()) return false;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    out = value;
    return true;
}

namespace {

// The offset the linear transformation reads: an empty one is "0".
std::string offsetText(const ModifyRequest& request) {
    return request.offset.empty() ? std::string("0") : request.offset;
}

bool linearRuns(const ModifyRequest& request) {
    return !request.factor.empty() && !(request.factor == "1" && offsetText(request) == "0");
}

} // namespace

std::optional<std::string> InvalidLinearText(const ModifyRequest& request, char decimal) {
    if (!linearRuns(request)) return std::nullopt;
    double ignored = 0;
    for (const std::string& text : {request.factor, offsetText(request)})
        if (!parseNumber(text, decimal, ignored)) return text;
    return std::nullopt;
}

std::optional<std::string> RefusedTimeModification(const Document& ds, int k, const ModifyRequest& request) {
    if (k < 1 || static_cast<std::size_t>(k) >= ds.Layout.ColumnTime.size() || ds.Layout.ColumnTime[k] == TimeKind::None) return std::nullopt;
    double factor = 1;
    if (linearRuns(request) && (!parseNumber(request.factor, ds.decimal(), factor) || factor != 1))
        return "A column of dates or times can only be shifted: leave the factor at 1 and give the offset in seconds.";
    if (!request.ifValue.empty() && !request.thenValue.empty())
        return "A column of dates or times takes no condition: only an offset in seconds shifts its times.";
    return std::nullopt;
}

ModifyPlan PlanModification(Document& ds, const ModifyRequest& request) {
    ModifyPlan plan;
    const char decimal = ds.decimal();
    plan.fromRow = std::max(request.fromRow, 1);
    plan.toRow = std::min(request.toRow, ds.Layout.DataRowCount);
    ds.Edit.ModifyFromRow = plan.fromRow;
    ds.Edit.ModifyToRow = plan.toRow;
    plan.condition = request.condition;
    if (InvalidLinearText(request, decimal)) return plan;
    if (!request.ifValue.empty() && !request.thenValue.empty()) {
        plan.conditional = true;
        plan.ifValue = textToNumber(request.ifValue, decimal);
        plan.thenValue = textToNumber(request.thenValue, decimal);
    }
    if (linearRuns(request)) {
        plan.linear = true;
        plan.factor = textToNumber(request.factor, decimal);
        plan.offset = textToNumber(offsetText(request), decimal);
    }
    return plan;
}

namespace {

double transform(const ModifyPlan& plan, double v) {
    if (plan.conditional) {
        const bool meets = (plan.condition == "=" && v == plan.ifValue) ||
                           (plan.condition == ">" && v > plan.ifValue) ||
                           (plan.condition == "<" && v < plan.ifValue);
        if (meets) v = plan.thenValue;
    }
    if (plan.linear) {
        // The product stays at extended precision until the sum is rounded to a double.
        const long double product = static_cast<long double>(plan.factor) * static_cast<long double>(v);
        v = static_cast<double>(product + static_cast<long double>(plan.offset));
    }
    return v;
}

} // namespace

namespace {

// Rewrites rows firstRow..lastRow of column k from the plan; undo puts back the former texts of
// those rows, and their numbers are read back from them.
class ModificationCommand final : public UndoCommand {
public:
    ModificationCommand(int column, int firstRow, int lastRow, const ModifyPlan& plan)
        : column_(column), firstRow_(firstRow), lastRow_(lastRow), plan_(plan) {}

    int unchangedResults() const { return unchangedResults_; }

    void redo(Document& ds) override {
        const int k = column_;
        auto& slots = ds.Table.Values[k];
        if (slots.size() < static_cast<std::size_t>(ds.Layout.DataRowCount) + 1)
            slots.resize(static_cast<std::size_t>(ds.Layout.DataRowCount) + 1, 0.0);
        keepOldTexts(ds);
        const char decimal = ds.decimal();
        const TimeKind time = ds.Layout.ColumnTime[k];
        unchangedResults_ = 0;
        for (int r = firstRow_; r <= lastRow_; ++r) {
            double& value = slots[static_cast<std::size_t>(r)];
            const double transformed = transform(plan_, value);
            std::string text;
            double readBack = 0;
            bool written = false;
            if (time != TimeKind::None) {
                // Written the way the cell wrote its time, so the column keeps its form.
                TimeForm form;
                double seconds = 0;
                written = std::isfinite(transformed) && readTime(ds.Table.Cells.cell(k, r), time, seconds, &form);
                if (written) text = writeTime(transformed, form);
                written = written && readTime(text, time, readBack);
            } else {
                text = formatGeneral(transformed, decimal);
                written = std::isfinite(transformed) && parseNumber(text, decimal, readBack);
            }
            if (!written) {
                ++unchangedResults_;
                continue;
            }
            ds.Table.Cells.setCell(k, r, std::move(text));
            value = readBack;
        }
        ComputeColumnStatistics(ds);
        if (lastRow_ >= firstRow_) ds.Changes.cellsChanged(k, firstRow_, lastRow_);
        ds.Changes.statisticsChanged(k);
    }

    void undo(Document& ds) override {
        const int k = column_;
        const bool numbers = HasValues(ds, k);
        std::size_t start = 0;
        int last = firstRow_ - 1;
        for (int r = firstRow_; r <= lastRow_; ++r) {
            const std::size_t i = static_cast<std::size_t>(r - firstRow_);
            if (!IsDataCell(ds, k, r) || i >= oldEdited_.size()) break;
            const std::size_t end = static_cast<std::size_t>(oldTextEnds_[i]);
            if (oldEdited_[i])
                ds.Table.Cells.setCell(k, r, oldTextBytes_.substr(start, end - start));
            else
                ds.Table.Cells.revertCell(k, r);
            start = end;
            if (numbers)
                SetValue(ds, k, r, ds.cellNumber(k, ds.Table.Cells.cell(k, r)));
            last = r;
        }
        ComputeColumnStatistics(ds);
        if (last >= firstRow_) ds.Changes.cellsChanged(k, firstRow_, last);
        ds.Changes.statisticsChanged(k);
        // A redo takes them afresh.
        std::vector<uint8_t>().swap(oldEdited_);
        std::string().swap(oldTextBytes_);
        std::vector<uint64_t>().swap(oldTextEnds_);
    }

private:
    void keepOldTexts(const Document& ds) {
        const std::size_t n = lastRow_ >= firstRow_ ? static_cast<std::size_t>(lastRow_ - firstRow_ + 1) : 0;
        oldEdited_.assign(n, 0);
        oldTextEnds_.assign(n, 0);
        oldTextBytes_.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const int r = firstRow_ + static_cast<int>(i);
            if (ds.Table.Cells.isEdited(column_, r)) {
                oldEdited_[i] = 1;
                oldTextBytes_ += ds.Table.Cells.cell(column_, r);
            }
            oldTextEnds_[i] = oldTextBytes_.size();
        }
    }

    int column_, firstRow_, lastRow_;
    ModifyPlan plan_;
    int unchangedResults_ = 0;
    // Per row whether the cell held an edited text, and those texts packed one after the other
    // (cells that showed their file text add nothing); oldTextEnds_[i] is where row i's text ends.
    std::vector<uint8_t> oldEdited_;
    std::string oldTextBytes_;
    std::vector<uint64_t> oldTextEnds_;
};

} // namespace

ModifyResult ApplyModification(Document& ds, int k, const ModifyPlan& plan) {
    if (!plan.confirmed() || !ds.isValueColumn(k) || k > ds.Layout.ColumnCount || !ds.Layout.ColumnIsNumeric[k])
        return {};
    if (ds.Layout.ColumnTime[k] != TimeKind::None && (plan.conditional || (plan.linear && plan.factor != 1)))
        return {};
    const ChangeScope scope(ds.Changes);
    const int from = std::max(plan.fromRow, 1);
    const int to = std::min({plan.toRow, ds.Layout.DataRowCount, ds.Table.Cells.rowCount()});
    auto command = std::make_unique<ModificationCommand>(k, from, to, plan);
    const ModificationCommand& made = *command;
    ds.Journal.push(ds, std::move(command));
    ModifyResult result;
    result.applied = true;
    result.unchangedResults = made.unchangedResults();
    return result;
}

bool RenameColumn(Document& ds, int k, std::string name, std::string label) {
    if (k < 1 || k > ds.fieldSlots()) return false;
    const auto slot = static_cast<std::size_t>(k);
    if (name == ds.Layout.ColumnNames[slot] && label == ds.Layout.ColumnLabels[slot]) return false;
    const ChangeScope scope(ds.Changes);
    ds.Layout.ColumnNames[slot] = std::move(name);
    ds.Layout.ColumnLabels[slot] = std::move(label);
    ds.Edit.HeaderTextsChanged = true;
    ds.Changes.columnsRenamed();
    return true;
}

} // namespace varnotile
