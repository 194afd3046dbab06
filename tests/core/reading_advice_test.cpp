// Whether the detector's proposal is offered: only where it reads the file better than the
// reading in effect, never for the same table nor for a worse one.
#include "loader.h"
#include "reading_advice.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <optional>

using namespace varnotile;

TEST(ReadingAdvice, TheProposalIsOfferedOnlyWhereItReadsBetter) {
    struct Case {
        const char* name;
        std::string text;
        ReadingChoice now;                    // the reading the file is loaded with
        std::optional<ReadingChoice> instead; // a proposal put in the detector's place
        bool offered;
    };
    std::string tenRows;
    for (int r = 1; r <= 10; ++r) tenRows += std::to_string(r) + "," + std::to_string(r * r) + "\n";
    const Case cases[] = {
        {"plain csv: the proposal is the same table", "x,y\n" + tenRows, {",", {}}, std::nullopt, false},
        {"options that change nothing", "x,y\n" + tenRows, {",", {}}, ReadingChoice{",", {.commentLines = true}}, false},
        // No numeric column reads badly whatever the reading: the plain one gives the same table.
        {"texts only, read with comment lines",
         "name,city\nAl,Rome\nBo,Oslo\nCy,Lima\nDi,Riga\nEd,Bern\n",
         {",", {.commentLines = true}},
         std::nullopt,
         false},
        // A count line above the names: the missing-value reading takes the names for data.
        {"names moved into the data",
         "6\n  x   y   z\n  1   2   3\n  4   5   6\n  7   8   9\n 10  11  12\n 13  14  15\n 16  17  18\n",
         {",", {.whitespace = true}},
         ReadingChoice{"", {.whitespace = true, .missingAsGaps = true}},
         false},
        {"decimal commas, semicolons",
         "time;volt;amp\n0,5;1,25;3,5\n1,0;1,50;3,6\n1,5;1,75;3,7\n2,0;2,00;3,8\n2,5;2,25;3,9\n",
         {",", {}},
         std::nullopt,
         true},
        {"decimal commas, tabs",
         "time\tvolt\n0,5\t1,25\n1,0\t1,50\n1,5\t1,75\n2,0\t2,00\n2,5\t2,25\n",
         {"\t", {}},
         std::nullopt,
         true},
        {"quoted texts holding the delimiter",
         "name,x,y\n\"Smith, J\",1,2\n\"Lee\",3,4\n\"Ng, K\",5,6\n\"Roe\",7,8\n",
         {",", {}},
         std::nullopt,
         true},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        DataSet ds;
        ds.DecimalSeparator = '.';
        ds.File.CurrentFileName = dir.write("file.txt", c.text);
        ds.Layout.ListSeparator = c.now.delimiter;
        ds.Layout.Reading = c.now.options;
        LoadDataFile(ds);
        if (c.instead) {
            ds.Layout.Proposal.delimiter = c.instead->delimiter;
            ds.Layout.Proposal.options = c.instead->options;
            ds.Layout.ProposalReadsBetter = ProposalReadsBetter(ds);
        }
        EXPECT_EQ(ShouldOfferProposal(ds), c.offered) << c.name;
        // Loaded the proposed way, the file reads so only where the proposal reads better.
        if (c.instead) continue;
        DataSet proposed;
        proposed.DecimalSeparator = '.';
        proposed.File.CurrentFileName = ds.File.CurrentFileName;
        proposed.Layout.ListSeparator = c.now.delimiter;
        proposed.Layout.Reading = c.now.options;
        LoadDataFile(proposed, true);
        EXPECT_EQ(CurrentChoice(proposed) == CurrentChoice(ds), !c.offered) << c.name;
    }
}
