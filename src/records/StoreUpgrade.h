#pragma once

class QObject;

namespace records {

class RecordConnection;

// The records window's searches need the store's newer objects (the reimbursers' names, the
// index on 报销人): a store from an earlier version gets them before the window opens. On a
// large store that takes a while; it runs off the UI thread behind a progress window. Failures
// are AppError. A registry on a server is the administrator's (fpbxdb init makes its objects):
// nothing is done there.
void bringStoreUpToDate(RecordConnection& connection, QObject* owner);

}  // namespace records
