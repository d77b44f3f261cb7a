#pragma once

class QWidget;

// "备份数据库": a consistent single-file copy of the company's database, named
// <税号>_fpbx_YYYYMMDDHHMMSS.mdb, in a folder the clerk picks; made behind a progress window
// with 取消 while the program goes on working. A registry on a server is backed up there.
namespace records {

void backupDatabase(QWidget* owner);

}  // namespace records
