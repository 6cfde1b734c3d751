// The three tables of invoice data: their fields, their creation and the start-up step that
// makes each one available.
#include "invoices/invoice_tables.h"

#include "invoices/book_internals.h"
#include "invoices/toolkit.h"
#include "store/file.h"
#include "text/gbk.h"

namespace korvana::invoices {

namespace {

store::FieldInfo textField(const std::string& name, int width) {
  store::FieldInfo info;
  info.name = name;
  info.type = store::kText;
  info.maxTextLength = width;
  return info;
}

store::FieldInfo field(const std::string& name, int type) {
  store::FieldInfo info;
  info.name = name;
  info.type = type;
  return info;
}

// The file name without its extension: "发票管理库.edb" names the table 发票管理库.
std::string tableNameOf(const std::string& fileName) {
  std::string::size_type dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

std::vector<store::FieldInfo> invoiceTableFields(const std::string& tableName) {
  const detail::Texts& t = detail::texts();
  if (tableName == t.payerTable) {
    return {textField(t.unitNumber, 4), textField(t.unitName, 20)};
  }
  if (tableName == t.batchTable) {
    return {textField(t.batchKey, 15), textField(t.batchType, 10), textField(t.batchCode, 15),
            textField(t.batchStart, 10), field(t.batchCount, store::kInt)};
  }
  if (tableName == t.recordTable) {
    return {textField(t.batchKey, 15),         textField(t.invoiceNumber, 10),
            field(t.issueDate, store::kDateTime), field(t.amount, store::kFloat),
            textField(t.payer, 20),            field(t.issued, store::kBool)};
  }
  return {};
}

bool createInvoiceTable(store::TableStore& store, Toolkit& toolkit, const std::string& tableName,
                        const std::string& directory) {
  if (store.createTable(directory + tableName, invoiceTableFields(tableName))) return true;
  const detail::Texts& t = detail::texts();
  toolkit.messageBox(t.createPrefix + tableName + t.createSuffix, kButtonsOk);
  return false;
}

bool openInvoiceTable(store::TableStore& store, Toolkit& toolkit, const std::string& dataDirectory,
                      const std::string& fileName, bool* createFailed) {
  if (createFailed) *createFailed = false;
  const std::string path = dataDirectory + fileName;
  store::FileSystem& fs = store.fileSystem();
  // 发票管理库.EDB on disk is the file 发票管理库.edb: it is opened, never replaced.
  if (!fs.exists(store::matchFileName(fs, text::toUtf8(path)))) {
    if (!createInvoiceTable(store, toolkit, tableNameOf(fileName), dataDirectory)) {
      if (createFailed) *createFailed = true;
      return false;
    }
  }
  return store.openTable(path);
}

}  // namespace korvana::invoices
