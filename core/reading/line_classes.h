#pragma once
// What each of a file's first lines is: a row of the data, the names over them, a units line,
// a setting ("ncols 10", "@radius 4.03"), a line that heads each block of rows ("x,1.5" over
// each curve, "100 6" over each time step), a comment, a blank line or text after the data.
// The data are the longest consistent run of lines: the same field count and numbers where the
// other rows hold numbers; a lone odd line inside the run is a row, and what stands above it is
// told apart by its shape rather than by where it stands.
#include "read_options.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

enum class LineClass : uint8_t { Blank, Comment, Data, Names, Units, Setting, BlockLine, Text, Trailer };

// What the classes of the lines looked at found.
struct LineReading {
    std::vector<LineClass> classes; // one per line looked at
    int columns = 0;                // the field count of the rows
    int firstData = -1;             // index of the first row; -1: no data found
    int lastData = -1;              // index of the last row seen
    int namesAt = -1, unitsAt = -1; // index of the names line and of a units line below it; -1: none
    // The shape of the block lines, to know them further down the file: their field count and
    // whether they hold a word where the rows hold numbers. 0: no block lines.
    int blockFields = 0;
    bool blockHasWord = false;
    bool blockFirstIsWord = false;
    std::string blockWords; // the words every block line holds ("x" of "x,1.5")
    // A lone line of another field count, holding numbers, among the first rows: the plain
    // scan would make the rows above it header text.
    bool oddRowNearTop = false;
    // Most rows end in the delimiter: an empty last column, which the names line may name.
    bool rowsEndEmpty = false;
    // The names line has more fields than the rows (and their empty last column): the plain
    // header scan would take it for free text.
    bool namesWider = false;

    int count(LineClass c) const;
};

// Classifies lines split at `delimiter` (-1: none) with `options`, numbers read with `decimal`.
class LineClassifier {
public:
    LineClassifier(int delimiter, const ReadOptions& options, char decimal);

    // `lines` are consecutive lines of the file, from its first line (or a table's) on.
    LineReading classify(const std::vector<std::string_view>& lines);
    // True when `line`, further down than the lines classified, is a block line of the shape found.
    bool isBlockLine(std::string_view line, const LineReading& reading);

    // One line as split: its fields, how many hold a number, a word (not a number nor a
    // missing-value token) or nothing, and whether every non-empty cell was written in quotes.
    struct Shape {
        int fields = 0, numbers = 0, words = 0, empty = 0;
        bool quoted = false;
        bool ragged = false; // ends in empty cells: a row with its last values missing
        bool firstIsWord = false;
        bool blank = true;
    };
    Shape shapeOf(std::string_view line);
    // The cells of `line` that hold words, one after another.
    std::string wordsOf(std::string_view line);

private:
    int delimiter_;
    ReadOptions options_;
    ReadOptions raw_; // the same without quoted texts, to see the quotes
    char decimal_;
    LineCells cells_;
};

} // namespace varnotile
