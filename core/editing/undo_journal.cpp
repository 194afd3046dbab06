#include "undo_journal.h"

#include "dataset.h"

namespace varnotile {

void UndoJournal::push(Document& ds, std::unique_ptr<UndoCommand> command) {
    command->redo(ds);
    if (clean_ > index_) clean_ = kNeverClean; // the clean state was among the undone commands
    entries_.resize(static_cast<std::size_t>(index_));
    // A command at the clean point stays as saved: later changes make their own entry.
    if (index_ > 0 && index_ != clean_ && entries_.back()->mergeWith(*command)) {
        if (!entries_.back()->isObsolete(ds)) return;
        entries_.back()->undo(ds);
        entries_.pop_back();
        --index_;
        if (madeRoom_) {
            entries_.push_front(std::move(madeRoom_));
            ++index_;
            ++clean_;
        }
        return;
    }
    madeRoom_.reset();
    entries_.push_back(std::move(command));
    ++index_;
    if (index_ > kUndoLimit) makeRoom();
}

void UndoJournal::makeRoom() {
    madeRoom_ = std::move(entries_.front());
    entries_.pop_front();
    --index_;
    --clean_;
}

bool UndoJournal::undo(Document& ds) {
    if (index_ == 0) return false;
    madeRoom_.reset();
    --index_;
    entries_[static_cast<std::size_t>(index_)]->undo(ds);
    return true;
}

bool UndoJournal::redo(Document& ds) {
    if (!canRedo()) return false;
    madeRoom_.reset();
    entries_[static_cast<std::size_t>(index_)]->redo(ds);
    ++index_;
    return true;
}

void UndoJournal::clear() {
    madeRoom_.reset();
    std::deque<std::unique_ptr<UndoCommand>>().swap(entries_);
    index_ = clean_ = 0;
}

bool UndoLast(Document& ds) {
    if (!ds.Journal.canUndo()) return false;
    const ChangeScope scope(ds.Changes);
    return ds.Journal.undo(ds);
}

bool RedoNext(Document& ds) {
    if (!ds.Journal.canRedo()) return false;
    const ChangeScope scope(ds.Changes);
    return ds.Journal.redo(ds);
}

} // namespace varnotile
