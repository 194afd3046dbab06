#include "modification.h"

#include "number_text.h"
#include "statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

ModifyPlan PlanModification(DataSet& ds, const ModifyRequest& request) {
    ModifyPlan plan;
    const char decimal = ds.DecimalSeparator;
    plan.fromRow = std::max(request.fromRow, 1);
    plan.toRow = std::min(request.toRow, ds.DataRowCount);
    ds.ModifyFromRow = plan.fromRow;
    ds.ModifyToRow = plan.toRow;
    plan.condition = request.condition;
    if (!request.ifValue.empty() && !request.thenValue.empty()) {
        plan.conditional = true;
        plan.ifValue = ds.ModifyIfValue = textToNumber(request.ifValue, decimal);
        plan.thenValue = ds.ModifyThenValue = textToNumber(request.thenValue, decimal);
    }
    const std::string offset = request.offset.empty() ? std::string("0") : request.offset;
    if (!request.factor.empty() && !(request.factor == "1" && offset == "0")) {
        plan.linear = true;
        plan.factor = ds.ModifyFactor = textToNumber(request.factor, decimal);
        plan.offset = ds.ModifyOffset = textToNumber(offset, decimal);
    }
    ds.ModifyConfirmed = plan.confirmed();
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

EditEffect ApplyModification(DataSet& ds, int k, const ModifyPlan& plan) {
    ds.ModifyConfirmed = false;
    if (!plan.confirmed() || k < 1 || k > 10 || k > ds.ColumnCount || !ds.ColumnIsNumeric[static_cast<std::size_t>(k)])
        return {};
    const int from = std::max(plan.fromRow, 1);
    const int to = std::min({plan.toRow, ds.DataRowCount, ds.Cells.rowCount()});
    auto& slots = ds.Values[static_cast<std::size_t>(k)];
    if (slots.size() < static_cast<std::size_t>(ds.DataRowCount) + 1)
        slots.resize(static_cast<std::size_t>(ds.DataRowCount) + 1, 0.0);
    const char decimal = ds.DecimalSeparator;

    UndoEntry entry;
    entry.kind = UndoKind::ColumnModification;
    entry.column = k;
    entry.row = from;
    entry.lastRow = to;
    const std::size_t n = to >= from ? static_cast<std::size_t>(to - from + 1) : 0;
    entry.oldEdited.resize(n);
    entry.oldTextEnds.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int r = from + static_cast<int>(i);
        if (ds.Cells.isEdited(k, r)) {
            entry.oldEdited[i] = 1;
            entry.oldTextBytes += ds.Cells.cell(k, r);
        }
        entry.oldTextEnds[i] = entry.oldTextBytes.size();
    }

    EditEffect effect;
    for (int r = from; r <= to; ++r) {
        double& value = slots[static_cast<std::size_t>(r)];
        const double result = transform(plan, value);
        std::string text = formatGeneral(result, decimal);
        double readBack = 0;
        if (!std::isfinite(result) || !parseNumber(text, decimal, readBack)) {
            ++effect.unchangedResults;
            continue;
        }
        ds.Cells.setCell(k, r, std::move(text));
        value = readBack;
    }
    PushUndo(ds, std::move(entry));
    ComputeColumnStatistics(ds);
    effect.changed = true;
    effect.cellsColumn = k;
    effect.clearCurve = effect.fillCurve = k;
    effect.headerRow = true;
    return effect;
}

} // namespace varnotile
