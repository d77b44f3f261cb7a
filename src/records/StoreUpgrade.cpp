#include "records/StoreUpgrade.h"

#include "shell/Commonfun.h"
#include "shell/LongTask.h"
#include "store/SchemaUpgrade.h"
#include "ui/Prompts.h"

namespace records {

void bringStoreUpToDate(Database& db, QObject* owner) {
    if (store::missingSchemaObjects(db).isEmpty()) {
        return;
    }
    LongTask task({}, [connection = GetConnectionString()](TaskControl&) {
        Database writer = Database::open(connection);
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
