#include "records/StoreFind.h"

#include "records/ResultReader.h"

namespace records {

std::optional<findwalk::Cell> findInStore(const FindRequest& request, TaskControl& control) {
    const qint64 rows = request.keys ? qint64(request.keys->size()) : 0;
    const int columns = int(request.columns.size());
    const std::optional<int>& scope = request.search.column;
    if (rows <= 0 || columns <= 0 || (scope && (*scope < 0 || *scope >= columns))) {
        return std::nullopt;
    }
    const findwalk::Start start =
        findwalk::startOf(request.search, request.walk, request.current, int(rows), columns);
    if (start.row < 0 || start.row >= rows) {
        return std::nullopt;
    }
    control.setTotal(start.down ? rows - start.row : start.row + 1);

    Database db = Database::open(request.connectionString);
    ResultReader reader(db, request.spec, request.keys);
    ColumnSet examined;
    for (int c = 0; c < columns; ++c) {
        if (!scope || *scope == c) {
            examined.set(std::size_t(request.columns[c]));
        }
    }
    reader.setColumns(examined);
    reader.start(start.row, start.down);
    qint64 done = 0;
    while (reader.next()) {
        control.checkCancelled();
        if ((++done & 0x3FF) == 0) {
            control.setDone(done);
        }
        const RecordRow& row = reader.row();
        const int from = reader.index() == start.row ? start.firstColumn
                         : start.down                ? 0
                                                     : columns - 1;
        const std::optional<int> column =
            findwalk::matchInRow([&](int c) { return row.text[std::size_t(request.columns[c])]; },
                                 request.search, start.down, from, columns);
        if (column) {
            return findwalk::Cell{int(reader.index()), *column};
        }
    }
    control.setDone(done);
    return std::nullopt;
}

}  // namespace records
