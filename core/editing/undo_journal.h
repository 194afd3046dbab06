#pragma once
// The undo journal: one history of commands (cell edits, column deletions, row deletions, column
// modifications), each of which does its change (redo) and reverts it (undo). Undo steps back
// newest first, Redo steps forward again; a new change drops what could be redone. At most
// kUndoLimit commands can be undone; a new one beyond that drops the oldest. The state the data
// set was loaded or saved in is the clean point: the data set counts as modified whenever the
// history stands elsewhere (Document::isModified()).
//
// Rows a followed file appends come after every row a command names, so the commands undo and
// redo the same rows before and after an append; an append needs no entry of its own.
#include <climits>
#include <deque>
#include <memory>

namespace varnotile {

struct Document;

// One reversible change of the data set. Commands are undone strictly newest first and redone
// oldest first, so each finds the data set as it left it (or as it found it), apart from rows
// appended at the end since.
class UndoCommand {
public:
    virtual ~UndoCommand() = default;
    // Makes the change and announces what changed. Runs when the command joins the history and
    // again on every Redo.
    virtual void redo(Document& ds) = 0;
    // Puts the data set back as it was before the change and announces what changed.
    virtual void undo(Document& ds) = 0;
    // Takes the newer change `next` (already made) into this command, so that both undo as one;
    // false keeps them apart.
    virtual bool mergeWith(const UndoCommand& /*next*/) { return false; }
    // After a merge: the command no longer changes anything and can leave the history.
    virtual bool isObsolete(const Document& /*ds*/) const { return false; }
};

class UndoJournal {
public:
    // Commands that Undo can revert, and commands that Redo can make again.
    int undoCount() const { return index_; }
    int redoCount() const { return static_cast<int>(entries_.size()) - index_; }
    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return redoCount() > 0; }
    // The history stands where the data set was loaded or last saved.
    bool isClean() const { return clean_ == index_; }

    // Makes the command's change and records it: what could be redone is dropped, and the newest
    // command may take the change in (mergeWith). At the limit the oldest command makes room.
    void push(Document& ds, std::unique_ptr<UndoCommand> command);
    // Step back or forward by one command; false when there is none.
    bool undo(Document& ds);
    bool redo(Document& ds);
    // Forgets every command; the data set as it is now is the clean point.
    void clear();

private:
    static constexpr int kNeverClean = INT_MIN / 2;
    // Drops the oldest command; the clean point moves with the commands.
    void makeRoom();

    std::deque<std::unique_ptr<UndoCommand>> entries_;
    int index_ = 0; // entries_[0, index_) are done, the rest undone
    int clean_ = 0; // the index of the clean point; unreachable when negative or beyond the end
    // The command the newest push dropped at the limit. It comes back when that push's command
    // merges away to nothing before anything else changes the history.
    std::unique_ptr<UndoCommand> madeRoom_;
};

// Reverts the newest command, or makes the next undone command again, as one operation of the
// data set. Nothing happens when there is none (false).
bool UndoLast(Document& ds);
bool RedoNext(Document& ds);

} // namespace varnotile
