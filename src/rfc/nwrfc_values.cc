#include "rfc/nwrfc_bridge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/texts.h"
#include "rfc/nwrfc_support.h"

namespace quillar {
namespace {

using nwrfc::SAP_UC;

// The most characters a field's value may have; the classic fields hold far
// fewer.
constexpr unsigned kLongestFieldText = 65536;
// Room enough for the text of any packed number (31 digits, a sign and a
// point) and of any floating point number.
constexpr unsigned kLongestNumberText = 64;

bool is_character_type(nwrfc::RFCTYPE type) {
  return type == nwrfc::RFCTYPE_CHAR || type == nwrfc::RFCTYPE_NUM || type == nwrfc::RFCTYPE_DATE ||
         type == nwrfc::RFCTYPE_TIME || type == nwrfc::RFCTYPE_STRING;
}

// The whole number that characters hold: digits, a minus sign before them,
// blanks around them. Nothing else is a number, blanks alone included.
bool whole_number(std::string_view text, long long& value) {
  std::string digits = trimmed(text);
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > 18) return false;
  value = std::stoll(digits);
  if (negative) value = -value;
  return true;
}

// A whole number into a classic integer field, when it fits its width.
bool store_integer(long long value, unsigned type, unsigned length, char* area) {
  if (type == TYPINT && length >= 4 && value >= INT32_MIN && value <= INT32_MAX) {
    std::int32_t wide = static_cast<std::int32_t>(value);
    std::memcpy(area, &wide, 4);
    return true;
  }
  if (type == TYPINT2 && length >= 2 && value >= INT16_MIN && value <= INT16_MAX) {
    std::int16_t narrow = static_cast<std::int16_t>(value);
    std::memcpy(area, &narrow, 2);
    return true;
  }
  return false;
}

std::int32_t read_integer(const void* area, unsigned type) {
  if (type == TYPINT2) {
    std::int16_t narrow;
    std::memcpy(&narrow, area, 2);
    return narrow;
  }
  std::int32_t wide;
  std::memcpy(&wide, area, 4);
  return wide;
}

// What the bridge itself refuses, it refuses with the SDK's code for it.
nwrfc::RFC_RC own_failure(nwrfc::RFC_RC code, nwrfc::RFC_ERROR_INFO& error) {
  error = nwrfc::RFC_ERROR_INFO{};
  error.code = code;
  error.group = nwrfc::EXTERNAL_APPLICATION_FAILURE;
  return code;
}

}  // namespace

nwrfc::RFC_RC NwRfcBridge::describe_parameter(nwrfc::RFC_FUNCTION_DESC_HANDLE description, const SapText& name,
                                              SdkField& field, nwrfc::RFC_ERROR_INFO& error) {
  nwrfc::RFC_PARAMETER_DESC parameter{};
  nwrfc::RFC_RC code = sdk_.RfcGetParameterDescByName(description, name.c_str(), &parameter, &error);
  if (code == nwrfc::RFC_OK) field = SdkField{parameter.type, parameter.nucLength};
  return code;
}

bool NwRfcBridge::set_importing(Connection& connection, RFC_PARAMETER* parameters) {
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    if (p->addr == nullptr) continue;
    SapText name = to_sap_text(p->name);
    nwrfc::RFC_ERROR_INFO error{};
    SdkField field{};
    nwrfc::RFC_RC code = describe_parameter(connection.description, name, field, error);
    if (code == nwrfc::RFC_OK) code = write_field(connection.function, name, field, *p, error);
    if (code != nwrfc::RFC_OK) {
      take_field_error(p->name, code, error.group);
      return false;
    }
  }
  return true;
}

nwrfc::RFC_RC NwRfcBridge::write_field(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                       const SdkField& field, const RFC_PARAMETER& parameter,
                                       nwrfc::RFC_ERROR_INFO& error) {
  SdkValue value;
  if (parameter.type == TYPC) {
    value.text.assign(static_cast<const char*>(parameter.addr), parameter.leng);
  } else if ((parameter.type == TYPINT && parameter.leng >= 4) || (parameter.type == TYPINT2 && parameter.leng >= 2)) {
    // An area narrower than its type holds no whole value of it.
    value.is_number = true;
    value.number = read_integer(parameter.addr, parameter.type);
  } else {
    return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  }

  if (is_character_type(field.type)) {
    std::string text = value.is_number ? std::to_string(value.number) : value.text;
    if (field.type == nwrfc::RFCTYPE_STRING) {
      text.resize(without_trailing_blanks(text).size());
    } else {
      if (value.is_number && field.type == nwrfc::RFCTYPE_NUM && text.size() < field.length) {
        text.insert(0, field.length - text.size(), '0');
      }
      // Blanks beyond the field are what it is filled with anyway; any
      // other character would be lost.
      if (text.size() > field.length) {
        if (text.find_first_not_of(' ', field.length) != std::string::npos) {
          return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
        }
        text.resize(field.length);
      }
    }
    SapText characters = to_sap_text(text);
    return sdk_.RfcSetChars(container, name.c_str(), characters.c_str(), static_cast<unsigned>(characters.size()),
                            &error);
  }

  long long number = value.number;
  if (!value.is_number && !whole_number(value.text, number)) return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  switch (field.type) {
    case nwrfc::RFCTYPE_INT:
      if (number < INT32_MIN || number > INT32_MAX) break;
      return sdk_.RfcSetInt(container, name.c_str(), static_cast<nwrfc::RFC_INT>(number), &error);
    case nwrfc::RFCTYPE_INT2:
      if (number < INT16_MIN || number > INT16_MAX) break;
      return sdk_.RfcSetInt2(container, name.c_str(), static_cast<nwrfc::RFC_INT2>(number), &error);
    case nwrfc::RFCTYPE_INT1:
      if (number < 0 || number > UINT8_MAX) break;
      return sdk_.RfcSetInt1(container, name.c_str(), static_cast<nwrfc::RFC_INT1>(number), &error);
    case nwrfc::RFCTYPE_INT8:
      if (sdk_.RfcSetInt8 == nullptr) return own_failure(nwrfc::RFC_NOT_SUPPORTED, error);
      return sdk_.RfcSetInt8(container, name.c_str(), number, &error);
    default:
      break;
  }
  return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
}

nwrfc::RFC_RC NwRfcBridge::read_sdk_value(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                          const SdkField& field, bool as_text, SdkValue& value,
                                          nwrfc::RFC_ERROR_INFO& error) {
  if (is_character_type(field.type)) {
    unsigned length = field.length;
    if (field.type == nwrfc::RFCTYPE_STRING) {
      nwrfc::RFC_RC code = sdk_.RfcGetStringLength(container, name.c_str(), &length, &error);
      if (code != nwrfc::RFC_OK) return code;
    }
    if (length > kLongestFieldText) return own_failure(nwrfc::RFC_BUFFER_TOO_SMALL, error);
    SapText buffer(std::max(length, 1u), SAP_UC(' '));
    nwrfc::RFC_RC code = sdk_.RfcGetChars(container, name.c_str(), buffer.data(), length, &error);
    if (code != nwrfc::RFC_OK) return code;
    value.text = from_sap_text(buffer.data(), length);
    value.text.resize(length, ' ');
    return nwrfc::RFC_OK;
  }
  value.is_number = true;
  switch (field.type) {
    case nwrfc::RFCTYPE_INT:
    case nwrfc::RFCTYPE_INT2:
    case nwrfc::RFCTYPE_INT1: {
      nwrfc::RFC_INT number = 0;
      nwrfc::RFC_RC code = sdk_.RfcGetInt(container, name.c_str(), &number, &error);
      value.number = number;
      return code;
    }
    case nwrfc::RFCTYPE_INT8: {
      if (sdk_.RfcGetInt8 == nullptr) return own_failure(nwrfc::RFC_NOT_SUPPORTED, error);
      nwrfc::RFC_INT8 number = 0;
      nwrfc::RFC_RC code = sdk_.RfcGetInt8(container, name.c_str(), &number, &error);
      value.number = number;
      return code;
    }
    case nwrfc::RFCTYPE_BCD:
    case nwrfc::RFCTYPE_FLOAT:
      return read_converted_number(container, name, as_text, value, error);
    default:
      return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  }
}

nwrfc::RFC_RC NwRfcBridge::read_converted_number(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                                 bool as_text, SdkValue& value, nwrfc::RFC_ERROR_INFO& error) {
  if (as_text) {
    SapText buffer(kLongestNumberText, SAP_UC(' '));
    nwrfc::RFC_RC code = sdk_.RfcGetChars(container, name.c_str(), buffer.data(), kLongestNumberText, &error);
    if (code != nwrfc::RFC_OK) return code;
    value.is_number = false;
    value.exact = true;
    value.text = trimmed(from_sap_text(buffer.data(), kLongestNumberText));
    return nwrfc::RFC_OK;
  }
  if (sdk_.RfcGetInt8 != nullptr) {
    nwrfc::RFC_INT8 number = 0;
    nwrfc::RFC_RC code = sdk_.RfcGetInt8(container, name.c_str(), &number, &error);
    value.number = number;
    return code;
  }
  nwrfc::RFC_INT number = 0;
  nwrfc::RFC_RC code = sdk_.RfcGetInt(container, name.c_str(), &number, &error);
  value.number = number;
  return code;
}

nwrfc::RFC_RC NwRfcBridge::read_field(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                      const SdkField& field, unsigned type, unsigned length, char* area,
                                      nwrfc::RFC_ERROR_INFO& error) {
  SdkValue value;
  nwrfc::RFC_RC code = read_sdk_value(container, name, field, type == TYPC, value, error);
  if (code != nwrfc::RFC_OK) return code;
  if (type == TYPC) {
    std::string text = value.is_number ? std::to_string(value.number) : value.text;
    if ((value.is_number || value.exact) && text.size() > length) {
      return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
    }
    text.resize(length, ' ');
    std::memcpy(area, text.data(), length);
    return nwrfc::RFC_OK;
  }
  long long number = value.number;
  if (!value.is_number && !whole_number(value.text, number)) return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  return store_integer(number, type, length, area) ? nwrfc::RFC_OK : own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
}

void NwRfcBridge::copy_exporting(const Connection& connection, RFC_PARAMETER* parameters) {
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    if (p->addr == nullptr) continue;
    SapText name = to_sap_text(p->name);
    nwrfc::RFC_ERROR_INFO error{};
    SdkField field{};
    char* area = static_cast<char*>(p->addr);
    nwrfc::RFC_RC code = describe_parameter(connection.description, name, field, error);
    if (code == nwrfc::RFC_OK) code = read_field(connection.function, name, field, p->type, p->leng, area, error);
    if (code != nwrfc::RFC_OK) {
      // Nothing reads these values, so the call goes on with the area as the
      // classic library leaves one it cannot fill.
      std::memset(area, p->type == TYPC ? ' ' : 0, p->leng);
      append_trace_block(std::string(p->name) + ": " + rc_name(code));
    }
  }
}

}  // namespace quillar
