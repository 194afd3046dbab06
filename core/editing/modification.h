#pragma once
// Column modification: a conditional transformation (values meeting a comparison are replaced)
// and a linear one (New Value = Old Value * m + a) over a range of rows of one column.
#include "dataset.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnotile {

// The texts of the Modify dialog's fields, as the user left them.
struct ModifyRequest {
    std::string condition;          // ">", "<" or "="; any other text changes no value
    std::string ifValue, thenValue; // the conditional transformation runs when both are non-empty
    std::string factor, offset;     // the linear one runs unless factor is exactly "1" and offset
                                    // exactly "0", or either is empty (an empty offset reads "0")
    int fromRow = 1, toRow = 1;
};

struct ModifyPlan {
    bool conditional = false, linear = false;
    std::string condition;
    double ifValue = 0, thenValue = 0, factor = 0, offset = 0;
    int fromRow = 1, toRow = 0; // clamped to the table; toRow < fromRow is an empty range
    bool confirmed() const { return conditional || linear; }
};

// The row fields are read with the standard integer conversion: optional blanks around an
// optional sign and decimal digits that fit in 32 bits.
bool parseRowField(std::string_view text, int& out);

// The factor or offset text that is not a number under `decimal`, when the linear transformation
// would run; nothing when both are numbers. A factor read as 0 would silently erase the column,
// so such a request is refused rather than planned.
std::optional<std::string> InvalidLinearText(const ModifyRequest& request, char decimal);

// Why the request cannot run on column k: a column of dates or times takes only an offset in
// seconds (a factor other than 1 or a condition would make times that mean nothing). Nothing when
// it can.
std::optional<std::string> RefusedTimeModification(const Document& ds, int k, const ModifyRequest& request);

// Reads the request into a plan and keeps its row range in the data set for the next time the
// dialog opens (ModifyFromRow, ModifyToRow). A condition value that is not a number counts as 0;
// a factor or offset that is not one (InvalidLinearText) makes a plan that changes nothing.
ModifyPlan PlanModification(Document& ds, const ModifyRequest& request);

// What a modification did.
struct ModifyResult {
    bool applied = false;     // the column was transformed and the change journalled
    int unchangedResults = 0; // results that could not be written (see ApplyModification)
};

// Transforms rows fromRow..toRow of numeric column k, writes the results into the cells in the
// general number format and journals the former texts and numbers. A cell's number is what its new
// text reads back as. A result that is not finite, or whose text does not read back as a number,
// leaves that cell as it was (counted in unchangedResults). A plan that transforms nothing, or a
// column that is not numeric, changes nothing and makes no journal command. In a column of dates
// or times the offset shifts the times, each written back in its cell's own form; a plan that
// RefusedTimeModification would refuse changes nothing.
ModifyResult ApplyModification(Document& ds, int k, const ModifyPlan& plan);

// Gives column k a new name and label. A rename makes no journal command but counts as an unsaved
// change until the next save or load. Returns false when both texts were as they are.
bool RenameColumn(Document& ds, int k, std::string name, std::string label);

} // namespace varnotile
