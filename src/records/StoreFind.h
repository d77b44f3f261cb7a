#pragma once

#include <QList>
#include <optional>

#include "base/LongTask.h"
#include "records/FindWalk.h"
#include "records/RecordSource.h"

// A press of "下一个" on the store: the grid's find walk over the rows of its result, read in
// grid order on a connection of the calling thread's own, so that a worker can walk a million
// rows while the window goes on answering.
namespace records {

struct FindRequest {
    StoreAddress store;  // where the result's rows are read
    QuerySpec spec;
    KeyList keys;
    QList<int> columns;       // the grid's visible columns in display order, as model columns
    findwalk::Search search;  // a column scope is a position in columns
    findwalk::Walk walk = findwalk::Walk::FromFirst;
    findwalk::Cell current;  // its column is a position in columns
    // A walk of at least this many rows goes as two stretches at once, each on a processor of
    // its own.
    qint64 splitRows = 100000;
};

// The first matching cell in walk order (its column a position in columns), or nothing. The
// control learns the rows to examine and those examined; a cancel stops the walk with
// TaskCancelled.
std::optional<findwalk::Cell> findInStore(const FindRequest& request, TaskControl& control);

}  // namespace records
