#include "undo_journal.h"

#include "dataset.h"

namespace varnotile {

void UndoJournal::push(std::unique_ptr<UndoCommand> command) {
    madeRoom_.reset();
    while (entries_.size() >= static_cast<std::size_t>(kUndoLimit)) {
        madeRoom_ = std::move(entries_.front());
        entries_.pop_front();
    }
    entries_.push_back(std::move(command));
}

std::unique_ptr<UndoCommand> UndoJournal::pop() {
    madeRoom_.reset();
    std::unique_ptr<UndoCommand> command = std::move(entries_.back());
    entries_.pop_back();
    return command;
}

void UndoJournal::discardNewest() {
    if (entries_.empty()) return;
    entries_.pop_back();
    if (madeRoom_) entries_.push_front(std::move(madeRoom_));
    madeRoom_.reset();
}

void UndoJournal::clear() {
    madeRoom_.reset();
    std::deque<std::unique_ptr<UndoCommand>>().swap(entries_);
}

bool UndoLast(DataSet& ds) {
    if (ds.Journal.empty()) return false;
    const ChangeScope scope(ds.Changes);
    ds.Journal.pop()->undo(ds);
    return true;
}

} // namespace varnotile
