-- The invoice database. One row per reimbursed invoice.
-- 开票金额 holds ten-thousandths of a yuan as a whole number: exact to four decimal places.
-- 报销时间 holds yyyy-MM-dd HH:mm:ss, so text order is time order.
-- 报销方式: 0 scan, 1 manual entry, 2 Excel import, 3 invoice file.
-- 核销提示: what the office's rules said of the invoice when it was written off, or null.
-- 报销单号: the reimbursement claim it was written off in (报销单), or null; 发票种类 the kind
-- its QR code named (01, 04, 10, 31, …), kept for the claim's sheet.
CREATE TABLE 发票报销 (
    发票代码 TEXT NOT NULL,
    发票号码 TEXT NOT NULL,
    开票金额 INTEGER,
    开票日期 TEXT,
    校验码 TEXT,
    报销时间 TEXT,
    报销方式 INTEGER,
    报销人 TEXT,
    核销提示 TEXT,
    报销单号 TEXT,
    发票种类 TEXT
);

-- An invoice is identified by its number and code: a second row of the same invoice is
-- impossible, even when two registrations race.
CREATE UNIQUE INDEX 发票报销_发票 ON 发票报销 (发票号码, 发票代码);
CREATE INDEX 发票报销_报销时间 ON 发票报销 (报销时间);

-- The number of rows, kept exact by the triggers below so that counting costs nothing.
CREATE TABLE 发票报销_数量 (数量 INTEGER NOT NULL);
INSERT INTO 发票报销_数量 (数量) VALUES (0);
CREATE TRIGGER 发票报销_数量_加 AFTER INSERT ON 发票报销
BEGIN
    UPDATE 发票报销_数量 SET 数量 = 数量 + 1;
END;
CREATE TRIGGER 发票报销_数量_减 AFTER DELETE ON 发票报销
BEGIN
    UPDATE 发票报销_数量 SET 数量 = 数量 - 1;
END;

-- Every reimburser with the number of invoices recorded under the name, kept exact by the
-- triggers below. Names are few beside the invoices: a search for the reimbursers containing a
-- text tries the text on these names alone and then takes their invoices from the index on
-- (报销人, 报销时间), which also gives one name's invoices in time order.
CREATE TABLE 发票报销_报销人 (
    报销人 TEXT NOT NULL PRIMARY KEY,
    数量 INTEGER NOT NULL
) WITHOUT ROWID;
CREATE INDEX 发票报销_报销人时间 ON 发票报销 (报销人, 报销时间);
CREATE TRIGGER 发票报销_报销人_加 AFTER INSERT ON 发票报销 WHEN new.报销人 IS NOT NULL
BEGIN
    INSERT INTO 发票报销_报销人 (报销人, 数量) VALUES (new.报销人, 1)
        ON CONFLICT (报销人) DO UPDATE SET 数量 = 数量 + 1;
END;
CREATE TRIGGER 发票报销_报销人_减 AFTER DELETE ON 发票报销 WHEN old.报销人 IS NOT NULL
BEGIN
    UPDATE 发票报销_报销人 SET 数量 = 数量 - 1 WHERE 报销人 = old.报销人;
    DELETE FROM 发票报销_报销人 WHERE 报销人 = old.报销人 AND 数量 <= 0;
END;
CREATE TRIGGER 发票报销_报销人_改 AFTER UPDATE OF 报销人 ON 发票报销
    WHEN old.报销人 IS NOT new.报销人
BEGIN
    UPDATE 发票报销_报销人 SET 数量 = 数量 - 1 WHERE 报销人 = old.报销人;
    DELETE FROM 发票报销_报销人 WHERE 报销人 = old.报销人 AND 数量 <= 0;
    INSERT INTO 发票报销_报销人 (报销人, 数量) SELECT new.报销人, 1 WHERE new.报销人 IS NOT NULL
        ON CONFLICT (报销人) DO UPDATE SET 数量 = 数量 + 1;
END;

-- The audit trail: one line per registration (登记), correction of 报销人 (修改报销人), undo
-- (撤销报销), import (导入), registration the office's rules refused (拒绝登记) and claim
-- (新建报销单, 结束报销单 with its count in 总数 and total in 开票金额, 重新生成报销单), with
-- the time, the computer's user and host and the program's
-- version. The program appends a line in the same transaction as the change it records and
-- never changes or removes one; the triggers below refuse it to anyone else too. A registration
-- and an undo keep the invoice's whole row; a correction keeps the old name in 原报销人.
CREATE TABLE 发票报销_记录 (
    序号 INTEGER PRIMARY KEY,
    时间 TEXT NOT NULL,
    操作 TEXT NOT NULL,
    发票代码 TEXT,
    发票号码 TEXT,
    开票金额 INTEGER,
    开票日期 TEXT,
    校验码 TEXT,
    报销时间 TEXT,
    报销方式 INTEGER,
    报销人 TEXT,
    原报销人 TEXT,
    原因 TEXT,
    文件 TEXT,
    总数 INTEGER,
    成功 INTEGER,
    失败 INTEGER,
    用户 TEXT,
    计算机 TEXT,
    版本 TEXT,
    核销提示 TEXT,
    报销单号 TEXT
);
CREATE INDEX 发票报销_记录_发票 ON 发票报销_记录 (发票号码, 发票代码);
-- A day's lines in the order they were written: the index carries the rowid, 序号.
CREATE INDEX 发票报销_记录_时间 ON 发票报销_记录 (时间);
CREATE TRIGGER 发票报销_记录_不改 BEFORE UPDATE ON 发票报销_记录
BEGIN
    SELECT RAISE(ABORT, '发票报销_记录 只能追加，不能修改');
END;
CREATE TRIGGER 发票报销_记录_不删 BEFORE DELETE ON 发票报销_记录
BEGIN
    SELECT RAISE(ABORT, '发票报销_记录 只能追加，不能删除');
END;

-- Reimbursement claims: a stack of invoices handed in together, written off while the claim was
-- open (their 报销单号) and closed with a printed sheet. 报销单号 is BX, the day it was opened and
-- its place among that day's claims (BX202312010001); 结单时间 is null while it is open;
-- 生成次数 counts the sheets written of it. A claim's invoices are the rows of 发票报销 that
-- name it: an invoice whose registration is undone leaves its claim.
CREATE TABLE 报销单 (
    报销单号 TEXT NOT NULL PRIMARY KEY,
    报销人 TEXT,
    开单时间 TEXT NOT NULL,
    结单时间 TEXT,
    生成次数 INTEGER NOT NULL DEFAULT 0
) WITHOUT ROWID;
CREATE INDEX 报销单_发票 ON 发票报销 (报销单号);
