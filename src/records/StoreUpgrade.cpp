#include "records/StoreUpgrade.h"

#include "base/AppError.h"
#include "base/LongTask.h"
#include "prompts/Prompts.h"
#include "records/RecordStore.h"
#include "store/SchemaUpgrade.h"

namespace records {

void bringStoreUpToDate(RecordConnection& connection, QObject* owner) {
    Database* db = connection.sqliteDatabase();
    if (db == nullptr) {
        return;
    }
    if (!store::missingColumns(*db).isEmpty()) {
        // A column costs nothing to add. A store that may not be written keeps its old shape:
        // only a search by 核销提示 then fails, and says why.
        try {
            Database writer = Database::open(connection.address().connection);
            store::addMissingColumns(writer);
        } catch (const AppError&) {
        }
    }
    if (store::missingSchemaObjects(*db).isEmpty()) {
        return;
    }
    LongTask task({}, [file = connection.address().connection](TaskControl&) {
        Database writer = Database::open(file);
        store::upgradeSchema(writer);
    });
    ProgressRequest request;
    request.owner = owner;
    request.caption = QStringLiteral("发票报销记录");
    request.label = QStringLiteral("正在为报销记录的查询建立索引，请稍候……");
    const std::unique_ptr<ProgressWindow> window = appprompts::get().showProgress(request);
    task.start();
    task.wait();
}

}  // namespace records
