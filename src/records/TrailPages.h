#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QThread>

#include "store/AuditTrail.h"

namespace records {

// The trail lines a filter selects, as a table for the trail window: read a page at a time on a
// thread of its own, the next page once the view comes near the end of those listed, so that the
// window answers whatever the number of lines. Columns: 时间, 操作, 发票代码, 发票号码, 内容,
// 用户, 计算机, 版本, 数据库用户.
class TrailPages final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TrailPages(QObject* parent = nullptr);
    ~TrailPages() override;  // waits for a page being read

    // Lists the filter's lines anew, from the first page.
    void show(const trail::Filter& filter);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    const QList<trail::Entry>& entries() const { return entries_; }
    bool reading() const { return reading_; }
    bool complete() const { return complete_; }  // every line of the filter is listed
    bool failed() const { return !error_.ok; }
    const trail::Lines& failure() const { return error_; }  // its error, when failed()
    bool anyDatabaseUser() const { return anyDatabaseUser_; }

    static constexpr qsizetype kPageLines = 500;
    static constexpr int kDatabaseUserColumn = 8;
    static constexpr int kContentColumn = 4;

signals:
    // A page has been listed, or its read failed.
    void pageRead();

private:
    void readNextPage();
    void arrived(quint64 generation, const trail::Lines& lines);

    QThread thread_;
    QObject* reader_ = nullptr;  // lives on thread_, with the store it reads through
    trail::Filter filter_;
    QList<trail::Entry> entries_;
    quint64 generation_ = 0;  // pages of an earlier show() are dropped
    bool reading_ = false;
    bool complete_ = true;
    bool anyDatabaseUser_ = false;
    trail::Lines error_;
};

}  // namespace records
