#include "store/SchemaUpgrade.h"

#include <sqlite3.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "base/AppError.h"

namespace store {

namespace {

const QString kInvoiceTable = QStringLiteral("发票报销");
const QString kTrailTable = QStringLiteral("发票报销_记录");

struct SchemaObject {
    QString name;
    QString sql;
};

// The CREATE statements of the committed schema, in their order.
const QList<SchemaObject>& schemaObjects() {
    static const QList<SchemaObject> objects = [] {
        QFile file(QStringLiteral(":/store/schema.sql"));
        if (!file.open(QIODevice::ReadOnly)) {
            throw AppError(QStringLiteral("The committed schema is missing from the program."));
        }
        const QByteArray text = file.readAll();
        static const QRegularExpression create(
            QStringLiteral(
                R"(^\s*CREATE\s+(?:UNIQUE\s+)?(?:TABLE|INDEX|TRIGGER|VIEW)\s+(?:IF\s+NOT\s+EXISTS\s+)?(\S+))"),
            QRegularExpression::CaseInsensitiveOption);
        QList<SchemaObject> found;
        QByteArray statement;
        for (const QByteArray& line : text.split('\n')) {
            // Blank lines and comments between statements belong to none.
            const QByteArray trimmed = line.trimmed();
            if (statement.isEmpty() && (trimmed.isEmpty() || trimmed.startsWith("--"))) {
                continue;
            }
            statement += line + '\n';
            // A trigger's body holds semicolons of its own: the engine says where a statement ends.
            if (sqlite3_complete(statement.constData()) == 0) {
                continue;
            }
            const QString sql = QString::fromUtf8(statement).trimmed();
            const QRegularExpressionMatch m = create.match(sql);
            if (m.hasMatch()) {
                found << SchemaObject{m.captured(1), sql};
            }
            statement.clear();
        }
        return found;
    }();
    return objects;
}

// Fills a table that has just been created in an existing store, so that it agrees with the
// invoices already there as its triggers would have kept it.
const QHash<QString, QString>& fillStatements() {
    static const QHash<QString, QString> fills = {
        {QStringLiteral("发票报销_数量"),
         QStringLiteral("insert into 发票报销_数量 (数量) select count(*) from 发票报销")},
        {QStringLiteral("发票报销_报销人"),
         QStringLiteral("insert into 发票报销_报销人 (报销人, 数量) select 报销人, count(*) from "
                        "发票报销 where 报销人 is not null group by 报销人")},
    };
    return fills;
}

QSet<QString> existingObjects(Database& db) {
    Statement names = db.prepare(QStringLiteral("select name from sqlite_master"));
    QSet<QString> existing;
    while (names.step()) {
        existing.insert(names.text(0));
    }
    return existing;
}

}  // namespace

QStringList missingSchemaObjects(Database& db) {
    const QSet<QString> existing = existingObjects(db);
    QStringList missing;
    if (!existing.contains(kInvoiceTable)) {
        return missing;  // no invoice table, nothing to add to
    }
    for (const SchemaObject& object : schemaObjects()) {
        if (!existing.contains(object.name)) {
            missing << object.name;
        }
    }
    return missing;
}

void upgradeSchema(Database& db) {
    Transaction transaction(db);
    const QStringList missing = missingSchemaObjects(db);
    if (missing.isEmpty()) {
        return;
    }
    QStringList created;
    for (const SchemaObject& object : schemaObjects()) {
        if (missing.contains(object.name)) {
            db.exec(object.sql);
            created << object.name;
        }
    }
    // Filled once every index is there, so that the fill can use them.
    for (const QString& name : created) {
        const auto fill = fillStatements().constFind(name);
        if (fill != fillStatements().constEnd()) {
            db.exec(*fill);
        }
    }
    transaction.commit();
}

namespace {

// Creates the missing objects whose names start with prefix, in schema order.
bool addMissingObjects(Database& db, const QString& prefix) {
    Transaction transaction(db);
    QStringList objects;
    for (const QString& name : missingSchemaObjects(db)) {
        if (name.startsWith(prefix)) {
            objects << name;
        }
    }
    if (objects.isEmpty()) {
        return false;
    }
    for (const SchemaObject& object : schemaObjects()) {
        if (objects.contains(object.name)) {
            db.exec(object.sql);
        }
    }
    transaction.commit();
    return true;
}

}  // namespace

bool addMissingTrail(Database& db) {
    return addMissingObjects(db, kTrailTable);
}

bool addMissingClaims(Database& db) {
    addMissingColumns(db);
    return addMissingObjects(db, QStringLiteral("报销单"));
}

namespace {

struct AddedColumn {
    const char16_t* table;
    const char16_t* column;
    const char16_t* type;
};
// Columns added to the schema's tables after stores were made without them, oldest first.
constexpr AddedColumn kAddedColumns[] = {
    {u"发票报销", u"核销提示", u"TEXT"},      {u"发票报销_记录", u"核销提示", u"TEXT"},
    {u"发票报销", u"报销单号", u"TEXT"},      {u"发票报销", u"发票种类", u"TEXT"},
    {u"发票报销_记录", u"报销单号", u"TEXT"},
};

bool hasColumn(Database& db, const QString& table, const QString& column) {
    Statement columns = db.prepare(QStringLiteral("select name from pragma_table_info(?1)"));
    columns.bind(1, table);
    while (columns.step()) {
        if (columns.text(0) == column) {
            return true;
        }
    }
    return false;
}

}  // namespace

QStringList missingColumns(Database& db) {
    const QSet<QString> existing = existingObjects(db);
    QStringList missing;
    for (const AddedColumn& added : kAddedColumns) {
        const QString table = QString::fromUtf16(added.table);
        const QString column = QString::fromUtf16(added.column);
        if (existing.contains(table) && !hasColumn(db, table, column)) {
            missing << table + u'.' + column;
        }
    }
    return missing;
}

void addMissingColumns(Database& db) {
    if (missingColumns(db).isEmpty()) {
        return;
    }
    Transaction transaction(db);
    for (const AddedColumn& added : kAddedColumns) {
        const QString table = QString::fromUtf16(added.table);
        const QString column = QString::fromUtf16(added.column);
        if (existingObjects(db).contains(table) && !hasColumn(db, table, column)) {
            db.exec(QStringLiteral("alter table %1 add column %2 %3")
                        .arg(table, column, QString::fromUtf16(added.type)));
        }
    }
    transaction.commit();
}

}  // namespace store
