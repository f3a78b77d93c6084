/* The SAP NetWeaver RFC SDK (sapnwrfc.dll) as the bridge uses it: the types
 * and functions it calls, with their published names and layouts. Built with
 * SAPwithUNICODE: every text is UTF-16 (SAP_UC). Everything stands in the
 * namespace nwrfc, since several names (RFC_RC, RFC_OK, RFC_ERROR_INFO) are
 * also those of the classic library; the functions keep C linkage and their
 * plain names. */
#ifndef QUILLAR_RFC_SAPNWRFC_H_
#define QUILLAR_RFC_SAPNWRFC_H_

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define SAP_API __stdcall
#else
#define SAP_API
#endif

#if defined(_WIN32) && defined(QUILLAR_BUILDING_NWRFC_LIBRARY)
#define NWRFC_EXPORT __declspec(dllexport)
#else
#define NWRFC_EXPORT
#endif

namespace nwrfc {

#ifdef _WIN32
typedef wchar_t SAP_UC;
#else
typedef char16_t SAP_UC;
#endif
static_assert(sizeof(SAP_UC) == 2, "SAP_UC is a UTF-16 unit");

typedef enum _RFC_RC {
  RFC_OK = 0,
  RFC_COMMUNICATION_FAILURE = 1,
  RFC_LOGON_FAILURE = 2,
  RFC_ABAP_RUNTIME_FAILURE = 3,
  RFC_ABAP_MESSAGE = 4,
  RFC_ABAP_EXCEPTION = 5,
  RFC_CLOSED = 6,
  RFC_CANCELED = 7,
  RFC_TIMEOUT = 8,
  RFC_MEMORY_INSUFFICIENT = 9,
  RFC_VERSION_MISMATCH = 10,
  RFC_INVALID_PROTOCOL = 11,
  RFC_SERIALIZATION_FAILURE = 12,
  RFC_INVALID_HANDLE = 13,
  RFC_RETRY = 14,
  RFC_EXTERNAL_FAILURE = 15,
  RFC_EXECUTED = 16,
  RFC_NOT_FOUND = 17,
  RFC_NOT_SUPPORTED = 18,
  RFC_ILLEGAL_STATE = 19,
  RFC_INVALID_PARAMETER = 20,
  RFC_CODEPAGE_CONVERSION_FAILURE = 21,
  RFC_CONVERSION_FAILURE = 22,
  RFC_BUFFER_TOO_SMALL = 23,
  RFC_TABLE_MOVE_BOF = 24,
  RFC_TABLE_MOVE_EOF = 25,
  RFC_START_SAPGUI_FAILURE = 26,
  RFC_ABAP_CLASS_EXCEPTION = 27,
  RFC_UNKNOWN_ERROR = 28,
  RFC_AUTHORIZATION_FAILURE = 29,
  RFC_AUTHENTICATION_FAILURE = 30,
  RFC_CRYPTOLIB_FAILURE = 31,
  RFC_IO_FAILURE = 32,
  RFC_LOCKING_FAILURE = 33
} RFC_RC;

typedef enum _RFC_ERROR_GROUP {
  OK = 0,
  ABAP_APPLICATION_FAILURE = 1,
  ABAP_RUNTIME_FAILURE = 2,
  LOGON_FAILURE = 3,
  COMMUNICATION_FAILURE = 4,
  EXTERNAL_RUNTIME_FAILURE = 5,
  EXTERNAL_APPLICATION_FAILURE = 6,
  EXTERNAL_AUTHORIZATION_FAILURE = 7,
  EXTERNAL_AUTHENTICATION_FAILURE = 8,
  CRYPTOLIB_FAILURE = 9,
  LOCKING_FAILURE = 10
} RFC_ERROR_GROUP;

/* The ABAP dictionary types of fields and parameters, as far as the bridge
 * tells them apart. */
typedef enum _RFCTYPE {
  RFCTYPE_CHAR = 0,
  RFCTYPE_DATE = 1,
  RFCTYPE_BCD = 2,
  RFCTYPE_TIME = 3,
  RFCTYPE_BYTE = 4,
  RFCTYPE_TABLE = 5,
  RFCTYPE_NUM = 6,
  RFCTYPE_FLOAT = 7,
  RFCTYPE_INT = 8,
  RFCTYPE_INT2 = 9,
  RFCTYPE_INT1 = 10,
  RFCTYPE_NULL = 14,
  RFCTYPE_ABAPOBJECT = 16,
  RFCTYPE_STRUCTURE = 17,
  RFCTYPE_DECF16 = 23,
  RFCTYPE_DECF34 = 24,
  RFCTYPE_XMLDATA = 28,
  RFCTYPE_STRING = 29,
  RFCTYPE_XSTRING = 30,
  RFCTYPE_INT8 = 31
} RFCTYPE;

/* The SDK names 0x02 RFC_EXPORT, which the classic header takes for its
 * export macro; nothing here needs the names. */
typedef enum _RFC_DIRECTION { RFC_IMPORT = 0x01, RFC_CHANGING = 0x03, RFC_TABLES = 0x07 } RFC_DIRECTION;

typedef struct _RFC_ERROR_INFO {
  RFC_RC code;
  RFC_ERROR_GROUP group;
  SAP_UC key[128];
  SAP_UC message[512];
  SAP_UC abapMsgClass[21];
  SAP_UC abapMsgType[2];
  SAP_UC abapMsgNumber[4];
  SAP_UC abapMsgV1[51];
  SAP_UC abapMsgV2[51];
  SAP_UC abapMsgV3[51];
  SAP_UC abapMsgV4[51];
} RFC_ERROR_INFO;

static_assert(sizeof(RFC_ERROR_INFO) == 1752 && alignof(RFC_ERROR_INFO) == 4, "RFC_ERROR_INFO layout");
static_assert(offsetof(RFC_ERROR_INFO, group) == 4 && offsetof(RFC_ERROR_INFO, key) == 8 &&
                  offsetof(RFC_ERROR_INFO, message) == 264 && offsetof(RFC_ERROR_INFO, abapMsgClass) == 1288 &&
                  offsetof(RFC_ERROR_INFO, abapMsgType) == 1330 && offsetof(RFC_ERROR_INFO, abapMsgNumber) == 1334 &&
                  offsetof(RFC_ERROR_INFO, abapMsgV1) == 1342 && offsetof(RFC_ERROR_INFO, abapMsgV2) == 1444 &&
                  offsetof(RFC_ERROR_INFO, abapMsgV3) == 1546 && offsetof(RFC_ERROR_INFO, abapMsgV4) == 1648,
              "RFC_ERROR_INFO offsets");

typedef struct _RFC_CONNECTION_PARAMETER {
  const SAP_UC* name;
  const SAP_UC* value;
} RFC_CONNECTION_PARAMETER;

typedef struct _RFC_CONNECTION_HANDLE* RFC_CONNECTION_HANDLE;
typedef struct _RFC_FUNCTION_DESC_HANDLE* RFC_FUNCTION_DESC_HANDLE;
typedef struct _RFC_DATA_CONTAINER* DATA_CONTAINER_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_FUNCTION_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_STRUCTURE_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_TABLE_HANDLE;
typedef struct _RFC_TYPE_DESC_HANDLE* RFC_TYPE_DESC_HANDLE;
typedef int RFC_INT;
typedef short RFC_INT2;
typedef unsigned char RFC_INT1;
typedef long long RFC_INT8;
typedef unsigned char RFC_BYTE;
typedef SAP_UC RFC_ABAP_NAME[30 + 1];

typedef struct _RFC_FIELD_DESC {
  RFC_ABAP_NAME name;
  RFCTYPE type;
  unsigned nucLength; /* characters for CHAR, NUM, DATE, TIME; bytes otherwise */
  unsigned nucOffset;
  unsigned ucLength;
  unsigned ucOffset;
  unsigned decimals;
  RFC_TYPE_DESC_HANDLE typeDescHandle;
  void* extendedDescription;
} RFC_FIELD_DESC;

typedef struct _RFC_PARAMETER_DESC {
  RFC_ABAP_NAME name;
  RFCTYPE type;
  RFC_DIRECTION direction;
  unsigned nucLength;
  unsigned ucLength;
  unsigned decimals;
  RFC_TYPE_DESC_HANDLE typeDescHandle;
  SAP_UC defaultValue[30 + 1];
  SAP_UC parameterText[79 + 1];
  RFC_BYTE optional;
  void* extendedDescription;
} RFC_PARAMETER_DESC;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(RFC_FIELD_DESC) == 96 && offsetof(RFC_FIELD_DESC, typeDescHandle) == 88, "RFC_FIELD_DESC");
static_assert(sizeof(RFC_PARAMETER_DESC) == 316 && offsetof(RFC_PARAMETER_DESC, typeDescHandle) == 84 &&
                  offsetof(RFC_PARAMETER_DESC, optional) == 310,
              "RFC_PARAMETER_DESC");
#else
static_assert(sizeof(RFC_FIELD_DESC) == 104 && offsetof(RFC_FIELD_DESC, typeDescHandle) == 88, "RFC_FIELD_DESC");
static_assert(sizeof(RFC_PARAMETER_DESC) == 328 && offsetof(RFC_PARAMETER_DESC, typeDescHandle) == 88 &&
                  offsetof(RFC_PARAMETER_DESC, optional) == 318,
              "RFC_PARAMETER_DESC");
#endif
static_assert(offsetof(RFC_FIELD_DESC, type) == 62 + 2 && offsetof(RFC_FIELD_DESC, nucLength) == 68 &&
                  offsetof(RFC_PARAMETER_DESC, direction) == 68 && offsetof(RFC_PARAMETER_DESC, nucLength) == 72 &&
                  offsetof(RFC_PARAMETER_DESC, defaultValue) == offsetof(RFC_PARAMETER_DESC, typeDescHandle) +
                                                                   sizeof(void*),
              "the descriptions' leading fields");

extern "C" {
NWRFC_EXPORT RFC_CONNECTION_HANDLE SAP_API RfcOpenConnection(const RFC_CONNECTION_PARAMETER* params,
                                                             unsigned count, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcCloseConnection(RFC_CONNECTION_HANDLE handle, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_FUNCTION_DESC_HANDLE SAP_API RfcGetFunctionDesc(RFC_CONNECTION_HANDLE handle, const SAP_UC* name,
                                                                 RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_FUNCTION_HANDLE SAP_API RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE description,
                                                           RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcDestroyFunction(RFC_FUNCTION_HANDLE function, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcSetChars(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, const SAP_UC* value,
                                        unsigned length, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetParameterDescByName(RFC_FUNCTION_DESC_HANDLE description, const SAP_UC* name,
                                                      RFC_PARAMETER_DESC* parameter, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_TYPE_DESC_HANDLE SAP_API RfcDescribeType(DATA_CONTAINER_HANDLE handle, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetFieldDescByName(RFC_TYPE_DESC_HANDLE type, const SAP_UC* name, RFC_FIELD_DESC* field,
                                                  RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcSetInt(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT value,
                                      RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcSetInt1(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT1 value,
                                       RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcSetInt2(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT2 value,
                                       RFC_ERROR_INFO* errorInfo);
/* RfcSetInt8 and RfcGetInt8 come with release 7.50; earlier SDKs know no
 * INT8 field and lack them. */
NWRFC_EXPORT RFC_RC SAP_API RfcSetInt8(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT8 value,
                                       RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcInvoke(RFC_CONNECTION_HANDLE handle, RFC_FUNCTION_HANDLE function,
                                      RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetTable(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_TABLE_HANDLE* table,
                                        RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetRowCount(RFC_TABLE_HANDLE table, unsigned* count, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcMoveTo(RFC_TABLE_HANDLE table, unsigned index, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetInt(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT* value,
                                      RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetInt2(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT2* value,
                                       RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetInt8(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT8* value,
                                       RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetStringLength(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, unsigned* length,
                                               RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT RFC_RC SAP_API RfcGetChars(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, SAP_UC* buffer,
                                        unsigned length, RFC_ERROR_INFO* errorInfo);
NWRFC_EXPORT const SAP_UC* SAP_API RfcGetVersion(unsigned* major, unsigned* minor, unsigned* patch);
}

}  // namespace nwrfc

#endif /* QUILLAR_RFC_SAPNWRFC_H_ */
