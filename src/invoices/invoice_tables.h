#pragma once
// The three tables of invoice data and the start-up step that makes each available.
#include <string>
#include <vector>

#include "store/table_store.h"

namespace korvana::invoices {

class Toolkit;

// The field lists of 单位库, 发票管理库 and 发票记录库 (GBK table name in, FieldInfos out);
// empty for any other name.
std::vector<store::FieldInfo> invoiceTableFields(const std::string& tableName);

// Creates the named table in directory (GBK, ending in a separator; the working directory
// when empty). On failure shows "创建<name>失败！" and returns false (the caller ends the
// program).
bool createInvoiceTable(store::TableStore& store, Toolkit& toolkit, const std::string& tableName,
                        const std::string& directory = {});

// dataDirectory + fileName (GBK, e.g. "发票管理库.edb"): creates the table when no file of that
// name exists (matched without regard to case), then opens it. Returns openTable's result;
// *createFailed is set when the table had to be created and could not be.
bool openInvoiceTable(store::TableStore& store, Toolkit& toolkit, const std::string& dataDirectory,
                      const std::string& fileName, bool* createFailed = nullptr);

}  // namespace korvana::invoices
