#pragma once
// The undo journal: one command per cell edit, column deletion, row deletion and column
// modification, reversed newest first. Each kind of command lives beside its operation. At most
// kUndoLimit commands are kept; a new one beyond that drops the oldest. The number of commands
// is the program's sign of unsaved changes (DataSet::UndoCount(), DataSet::isModified()).
#include <deque>
#include <memory>

namespace varnotile {

struct DataSet;

// One reversible change of the data set.
class UndoCommand {
public:
    virtual ~UndoCommand() = default;
    // Puts the data set back as it was before the change and announces what changed. The data
    // set is as the change left it (commands are reversed strictly newest first).
    virtual void undo(DataSet& ds) = 0;
};

class UndoJournal {
public:
    int size() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // The newest command, or nullptr.
    UndoCommand* newest() const { return entries_.empty() ? nullptr : entries_.back().get(); }
    // Adds a command; at the limit the oldest command makes room.
    void push(std::unique_ptr<UndoCommand> command);
    std::unique_ptr<UndoCommand> pop();
    // Takes the newest command back as if it had never been pushed: an oldest command that made
    // room for it returns to its place.
    void discardNewest();
    void clear();

private:
    std::deque<std::unique_ptr<UndoCommand>> entries_;
    // The command the newest push dropped at the limit, until anything else changes the journal.
    std::unique_ptr<UndoCommand> madeRoom_;
};

// Reverses the newest command. Nothing happens with an empty journal (false).
bool UndoLast(DataSet& ds);

} // namespace varnotile
