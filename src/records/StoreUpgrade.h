#pragma once

class Database;
class QObject;

namespace records {

// The records window's searches need the store's newer objects (the reimbursers' names, the
// index on 报销人): a store from an earlier version gets them before the window opens. On a
// large store that takes a while; it runs off the UI thread behind a progress window. Failures
// are AppError.
void bringStoreUpToDate(Database& db, QObject* owner);

}  // namespace records
