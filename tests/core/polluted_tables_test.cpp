// Clean 9-column tables (the last column empty, as many exports write them) made messy in the
// ways real files are: other delimiters, quote and escape characters, line ends, preambles,
// footers, a second table, rows with a field more or less, stray quotes, 'KEY value' lines,
// blanks after delimiters. Each variant is read with the proposal (--auto) and scored against
// the clean table as CSV-loading robustness benchmarks do: names, record count and cells, 0..10.
// The figures are printed; the test fails only when a variant crashes or hangs the reading.
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

using namespace varnotile;

namespace {

using Row = std::vector<std::string>;

struct Table {
    Row names;
    std::vector<Row> rows;
};

// How a table is written: delimiter (plus blanks after it), quote character, how a quote inside
// a quoted text is escaped, and the line end.
struct Dialect {
    std::string delimiter = ",";
    char quote = '"';
    bool backslashEscape = false;
    std::string lineEnd = "\n";
};

template <class T>
const T& pick(std::mt19937& rng, const std::vector<T>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
}

int between(std::mt19937& rng, int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

Table cleanTable(std::mt19937& rng, int rowCount) {
    Table t{{"id", "sensor", "temperature", "pressure", "flow", "date", "time", "note", "comments"}, {}};
    const std::vector<std::string> sensors = {"P1", "Pump 3", "valve_a", "inlet", "Tank B"};
    const std::vector<std::string> notes = {"ok", "check", "valve replaced, retested", "said \"fine\"", "low", "n/a"};
    for (int r = 0; r < rowCount; ++r) {
        std::ostringstream temperature, pressure, flow, date, time;
        temperature << std::fixed << std::setprecision(2) << std::uniform_real_distribution<>(-20, 40)(rng);
        pressure << std::fixed << std::setprecision(1) << std::uniform_real_distribution<>(950, 1050)(rng);
        flow << std::uniform_real_distribution<>(-1, 1)(rng);
        date << "2024-0" << between(rng, 1, 9) << '-' << 10 + between(rng, 0, 18);
        time << std::setfill('0') << std::setw(2) << between(rng, 0, 23) << ':' << std::setw(2) << between(rng, 0, 59) << ":00";
        t.rows.push_back({std::to_string(r + 1), pick(rng, sensors), temperature.str(), pressure.str(), flow.str(), date.str(),
                          time.str(), pick(rng, notes), ""});
    }
    return t;
}

std::string field(const std::string& value, const Dialect& d) {
    const bool quoted = value.find(d.delimiter[0]) != std::string::npos || value.find(d.quote) != std::string::npos ||
                        value.find('"') != std::string::npos;
    if (!quoted) return value;
    std::string out(1, d.quote);
    for (char c : value) {
        if (c == d.quote) out += d.backslashEscape ? '\\' : d.quote;
        out += c;
    }
    return out + d.quote;
}

std::string line(const Row& row, const Dialect& d) {
    std::string out;
    for (std::size_t k = 0; k < row.size(); ++k) out += (k ? d.delimiter : "") + field(row[k], d);
    return out;
}

// The lines of a table: names line first.
std::vector<std::string> lines(const Table& t, const Dialect& d) {
    std::vector<std::string> out{line(t.names, d)};
    for (const Row& row : t.rows) out.push_back(line(row, d));
    return out;
}

std::string joined(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string out;
    for (const auto& l : lines) out += l + lineEnd;
    return out;
}

// One pollution: changes the dialect or the lines of the clean table (which stays the answer).
struct Pollution {
    const char* name;
    std::function<void(std::mt19937&, const Table&, Dialect&, std::vector<std::string>&)> apply;
};

void insertAt(std::vector<std::string>& ls, std::size_t at, const std::vector<std::string>& more) {
    ls.insert(ls.begin() + static_cast<std::ptrdiff_t>(std::min(at, ls.size())), more.begin(), more.end());
}

std::vector<std::string> someOf(std::mt19937& rng, const std::vector<std::string>& pool, int low, int high) {
    std::vector<std::string> out;
    for (int n = between(rng, low, high); n > 0; --n) out.push_back(pick(rng, pool));
    return out;
}

const std::vector<Pollution>& pollutions() {
    using R = std::mt19937;
    using L = std::vector<std::string>;
    auto relined = [](const Table& t, const Dialect& d, L& ls) { ls = lines(t, d); };
    static const std::vector<Pollution> all = {
        {"clean", [](R&, const Table&, Dialect&, L&) {}},
        {"semicolon", [=](R&, const Table& t, Dialect& d, L& ls) { d.delimiter = ";"; relined(t, d, ls); }},
        {"tab", [=](R&, const Table& t, Dialect& d, L& ls) { d.delimiter = "\t"; relined(t, d, ls); }},
        {"pipe", [=](R&, const Table& t, Dialect& d, L& ls) { d.delimiter = "|"; relined(t, d, ls); }},
        {"single quotes", [=](R&, const Table& t, Dialect& d, L& ls) { d.quote = '\''; relined(t, d, ls); }},
        {"backslash escape", [=](R&, const Table& t, Dialect& d, L& ls) { d.backslashEscape = true; relined(t, d, ls); }},
        {"blank after delimiter", [=](R&, const Table& t, Dialect& d, L& ls) { d.delimiter = ", "; relined(t, d, ls); }},
        {"CR LF", [](R&, const Table&, Dialect& d, L&) { d.lineEnd = "\r\n"; }},
        {"CR", [](R&, const Table&, Dialect& d, L&) { d.lineEnd = "\r"; }},
        {"preamble", [](R& rng, const Table&, Dialect&, L& ls) {
             insertAt(ls, 0, someOf(rng, {"Logger export", "Station 4", "Exported 2024-05-01 12:00", "Operator: J. Smith", "",
                                          "Units: SI, 1 s"}, 1, 5));
         }},
        {"key value lines", [](R& rng, const Table&, Dialect&, L& ls) {
             insertAt(ls, 0, someOf(rng, {"@radius 4.03113", "ncols 9", "nrows 40", "xllcorner 0.5", "NODATA_value -9999",
                                          "timestep 10"}, 2, 5));
         }},
        {"footer", [](R& rng, const Table&, Dialect&, L& ls) {
             insertAt(ls, ls.size(), someOf(rng, {"", "Total,123", "End of data", "# 40 rows", "Checksum: 0x3fa2"}, 1, 3));
         }},
        {"second table", [](R& rng, const Table&, Dialect& d, L& ls) {
             Table more = cleanTable(rng, between(rng, 3, 8));
             if (between(rng, 0, 1)) {
                 more.names.resize(5);
                 for (Row& row : more.rows) row.resize(5);
             }
             L second = lines(more, d);
             second.insert(second.begin(), "");
             insertAt(ls, ls.size(), second);
         }},
        {"field more", [](R& rng, const Table&, Dialect& d, L& ls) {
             for (int n = between(rng, 1, 2); n > 0; --n) ls[between(rng, 1, int(ls.size()) - 1)] += d.delimiter + "extra";
         }},
        {"field less", [](R& rng, const Table& t, Dialect& d, L& ls) {
             for (int n = between(rng, 1, 2); n > 0; --n) {
                 const int r = between(rng, 1, int(t.rows.size()));
                 Row row = t.rows[r - 1];
                 row.erase(row.begin() + between(rng, 0, 7));
                 ls[r] = line(row, d);
             }
         }},
        {"stray quote", [](R& rng, const Table& t, Dialect& d, L& ls) {
             const int r = between(rng, 1, int(t.rows.size()));
             Row row = t.rows[r - 1];
             std::string& cell = row[1];
             cell.insert(between(rng, 0, int(cell.size())), "\"");
             std::string out;
             for (std::size_t k = 0; k < row.size(); ++k) out += (k ? d.delimiter : "") + (k == 1 ? cell : field(row[k], d));
             ls[r] = out;
         }},
        {"blank lines inside", [](R& rng, const Table&, Dialect&, L& ls) {
             for (int n = between(rng, 1, 3); n > 0; --n) insertAt(ls, between(rng, 2, int(ls.size()) - 1), {""});
         }},
    };
    return all;
}

std::string trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

// 0..10: a third each for the names, the record count and the cells (F1 of row, column and value
// over the non-empty cells).
double score(const DataSet& ds, const Table& clean) {
    const int columns = ds.Layout.ColumnCount;
    Row names;
    for (int k = 1; k <= columns && ds.Layout.HeaderLineCount > 0; ++k) names.push_back(trimmed(ds.Layout.ColumnNames[k]));
    const double header = names == clean.names ? 1 : 0;
    const double rows = ds.Layout.DataRowCount, cleanRows = double(clean.rows.size());
    const double records = std::min(rows, cleanRows) / std::max({rows, cleanRows, 1.0});
    int expected = 0, found = 0, right = 0;
    for (const Row& row : clean.rows) expected += int(std::count_if(row.begin(), row.end(), [](auto& v) { return !v.empty(); }));
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r)
        for (int k = 1; k <= columns; ++k) {
            const std::string_view cell = ds.Table.Cells.cell(k, r);
            if (cell.empty()) continue;
            ++found;
            right += r <= int(clean.rows.size()) && k <= int(clean.names.size()) && clean.rows[r - 1][k - 1] == cell;
        }
    const double cells = found + expected ? 2.0 * right / (found + expected) : 1;
    return 10 * (header + records + cells) / 3;
}

} // namespace

TEST(PollutedTables, ProposalReadsEachVariantWithoutCrashOrHang) {
    constexpr int kVariantsPerPollution = 20;
    std::mt19937 rng(2026);
    test::TempDir dir;
    std::map<std::string, double> sums;
    double total = 0;
    int count = 0;
    for (const Pollution& p : pollutions())
        for (int v = 0; v < kVariantsPerPollution; ++v) {
            const Table clean = cleanTable(rng, between(rng, 20, 60));
            Dialect d;
            std::vector<std::string> ls = lines(clean, d);
            p.apply(rng, clean, d, ls);
            DataSet ds;
            ds.File.CurrentFileName = dir.write("variant_" + std::to_string(count) + ".csv", joined(ls, d.lineEnd));
            const auto start = std::chrono::steady_clock::now();
            LoadDataFile(ds, true);
            EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10) << p.name;
            const double s = score(ds, clean);
            sums[p.name] += s;
            total += s;
            ++count;
        }
    std::cout << "polluted tables: " << count << " variants, mean score with --auto " << std::fixed << std::setprecision(2)
              << total / count << " of 10\n";
    for (const Pollution& p : pollutions()) std::cout << "  " << p.name << ": " << sums[p.name] / kVariantsPerPollution << "\n";
}
