#include "rfc/nwrfc_bridge.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "rfc/nwrfc_support.h"

namespace quillar {

bool NwRfcBridge::copy_rows(nwrfc::RFC_FUNCTION_HANDLE function, const RFC_TABLE& table) {
  auto structure = structures_.find(table.type);
  auto rows = tables_.find(static_cast<Table*>(table.ithandle));
  const std::string table_name = text_of(table.name);
  // Rows with no layout or no table to go to would leave the caller an empty
  // table as if the system had sent none.
  if (structure == structures_.end() || rows == tables_.end()) {
    take_own_error("RFC_INVALID_HANDLE", "table " + table_name + " has no installed structure or internal table");
    return false;
  }
  SapText name = to_sap_text(table_name);
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_TABLE_HANDLE sdk_table = nullptr;
  unsigned count = 0;
  if (sdk_.RfcGetTable(function, name.c_str(), &sdk_table, &error) != nwrfc::RFC_OK ||
      sdk_.RfcGetRowCount(sdk_table, &count, &error) != nwrfc::RFC_OK) {
    take_error(error, "RfcReceive");
    return false;
  }
  RowLayout layout{table_name, &structure->second, {}, {}};
  if (!describe_rows(sdk_table, layout, error)) return false;

  Table& target = *rows->second;
  const std::size_t rows_before = target.rows.size();
  for (unsigned i = 0; i < count; ++i) {
    std::vector<char> row;
    if (!read_row(sdk_table, i, layout, target.line_length, row, error)) {
      target.rows.resize(rows_before);
      return false;
    }
    target.rows.push_back(std::move(row));
  }
  return true;
}

bool NwRfcBridge::describe_rows(nwrfc::RFC_TABLE_HANDLE sdk_table, RowLayout& layout, nwrfc::RFC_ERROR_INFO& error) {
  nwrfc::RFC_TYPE_DESC_HANDLE row_type = sdk_.RfcDescribeType(sdk_table, &error);
  if (row_type == nullptr) {
    take_error(error, "RfcReceive");
    return false;
  }
  for (const Field& field : layout.structure->fields) {
    layout.names.push_back(to_sap_text(field.name));
    nwrfc::RFC_FIELD_DESC description{};
    nwrfc::RFC_RC code = sdk_.RfcGetFieldDescByName(row_type, layout.names.back().c_str(), &description, &error);
    if (code != nwrfc::RFC_OK) {
      take_field_error(layout.table_name + "-" + field.name, code, error.group);
      return false;
    }
    layout.fields.push_back(SdkField{description.type, description.nucLength});
  }
  return true;
}

bool NwRfcBridge::read_row(nwrfc::RFC_TABLE_HANDLE sdk_table, unsigned index, const RowLayout& layout,
                           unsigned line_length, std::vector<char>& row, nwrfc::RFC_ERROR_INFO& error) {
  if (sdk_.RfcMoveTo(sdk_table, index, &error) != nwrfc::RFC_OK) {
    take_error(error, "RfcReceive");
    return false;
  }
  const std::vector<Field>& fields = layout.structure->fields;
  row.assign(std::max(line_length, layout.structure->size), '\0');
  for (std::size_t k = 0; k < fields.size(); ++k) {
    nwrfc::RFC_RC code = read_field(sdk_table, layout.names[k], layout.fields[k], fields[k].type, fields[k].length,
                                    row.data() + fields[k].offset, error);
    if (code != nwrfc::RFC_OK) {
      take_field_error(layout.table_name + "-" + fields[k].name, code, error.group);
      return false;
    }
  }
  row.resize(line_length);
  return true;
}

RFC_RC NwRfcBridge::receive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception) {
  Connection* connection = usable_connection(handle);
  if (connection == nullptr) return RFC_FAILURE;
  if (connection->function == nullptr) {
    take_own_error("RFC_INVALID_HANDLE", "no call pending on handle " + std::to_string(handle));
    return RFC_FAILURE;
  }
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_RC code = sdk_.RfcInvoke(connection->sdk, connection->function, &error);
  if (code != nwrfc::RFC_OK && closes_connection(code, error.group)) connection->closed_by_sdk = true;
  ClassicResult result = classic_result(code, from_sap_text(error.key, std::size(error.key)));
  if (code == nwrfc::RFC_OK) {
    copy_exporting(*connection, parameters);
    for (RFC_TABLE* t = tables; t != nullptr && t->name != nullptr; ++t) {
      if (!copy_rows(connection->function, *t)) {
        result = ClassicResult{RFC_FAILURE, ""};
        break;
      }
    }
  } else if (take_error(error, "RfcReceive")) {
    result = ClassicResult{RFC_FAILURE, ""};
  }
  destroy_function(*connection);
  if (!result.exception.empty() && exception != nullptr) {
    exception_name_ = result.exception;
    *exception = exception_name_.data();
  }
  return result.code;
}

ITAB_H NwRfcBridge::it_create(const char* name, unsigned leng, unsigned occu, unsigned memo) {
  (void)name;
  (void)occu;
  (void)memo;
  auto table = std::make_unique<Table>();
  table->line_length = leng;
  Table* key = table.get();
  tables_[key] = std::move(table);
  return key;
}

unsigned NwRfcBridge::it_fill(ITAB_H table) {
  auto found = tables_.find(static_cast<Table*>(table));
  return found == tables_.end() ? 0 : static_cast<unsigned>(found->second->rows.size());
}

void* NwRfcBridge::it_get_line(ITAB_H table, unsigned line) {
  auto found = tables_.find(static_cast<Table*>(table));
  if (found == tables_.end() || line == 0 || line > found->second->rows.size()) {
    take_own_error("RFC_NOT_FOUND", "line " + std::to_string(line) + " of the table not found");
    return nullptr;
  }
  return found->second->rows[line - 1].data();
}

int NwRfcBridge::it_delete(ITAB_H table) {
  if (tables_.erase(static_cast<Table*>(table)) == 0) {
    take_own_error("RFC_INVALID_HANDLE", "no table to delete");
    return 1;
  }
  return 0;
}

}  // namespace quillar
