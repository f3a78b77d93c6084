/* The SAP classic RFC library (librfc32) as the sensor uses it: the
 * operations and types it calls, with their published names and layouts, so
 * that the sensor works with the vendor's library and with any library that
 * keeps them. The sensor's code includes no other RFC header.
 *
 * On 32-bit Windows every operation and both callbacks are __stdcall, and
 * the vendor's DLL exports them under their plain names ("RfcOpen"). The
 * sensor never links the DLL: it loads it at run time and reaches the
 * operations through the table of rfc_entry_points.h. */
#ifndef QUILLAR_RFC_RFC_LIBRARY_H_
#define QUILLAR_RFC_RFC_LIBRARY_H_

#include <stddef.h>

#if defined(_WIN32) && !defined(_WIN64)
#define RFC_ENTRY __stdcall
#else
#define RFC_ENTRY
#endif

#if defined(_WIN32) && defined(QUILLAR_BUILDING_RFC_LIBRARY)
#define RFC_EXPORT __declspec(dllexport)
#else
#define RFC_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int RFC_HANDLE;     /* an open connection; 0 for none */
typedef unsigned int RFC_TYPEHANDLE; /* an installed structure */
typedef int RFC_RC;                  /* 0 ok, 1 failure, 2 exception, 3 system exception */
typedef void* ITAB_H;                /* an internal table */

enum {
  RFC_OK = 0,
  RFC_FAILURE = 1,
  RFC_EXCEPTION = 2,
  RFC_SYS_EXCEPTION = 3
};

/* Type codes of parameters and structure fields. */
enum {
  TYPC = 0,   /* characters, blank-filled, not zero-terminated */
  TYPINT = 8, /* signed 4-byte integer */
  TYPINT2 = 9 /* signed 2-byte integer */
};

/* connopt of RFC_OPTIONS: the application server of an R/3 logon. */
typedef struct {
  char* hostname;
  int sysnr;
  char* gateway_host;
  char* gateway_service;
} RFC_CONNOPT_R3;

/* connopt of RFC_OPTIONS: the CPI-C gateway of an R/2 logon. */
typedef struct {
  char* gateway_host;
  char* gateway_service;
} RFC_CONNOPT_CPIC;

typedef struct {
  char* destination;
  int mode; /* 1: R/2 through a gateway (RFC_CONNOPT_CPIC), 0: R/3 (RFC_CONNOPT_R3) */
  void* connopt;
  char* client;
  char* user;
  char* password;
  char* language;
  int trace;
} RFC_OPTIONS;

typedef struct {
  char key[33];
  char status[128];
  char message[256];
  char intstat[128];
} RFC_ERROR_INFO;

typedef struct {
  int group;
  char key[33];
  char message[513];
} RFC_ERROR_INFO_EX;

typedef struct {
  const char* name; /* null ends a list */
  unsigned nlen;
  unsigned type; /* type code, or the handle of an installed structure */
  unsigned leng;
  void* addr;
} RFC_PARAMETER;

typedef struct {
  const char* name; /* null ends a list */
  unsigned nlen;
  RFC_TYPEHANDLE type;
  unsigned leng;
  ITAB_H ithandle;
  int itmode;
  int newitab;
} RFC_TABLE;

typedef struct {
  const char* name;
  unsigned type;
  unsigned length;
  unsigned decimals;
  unsigned offset;
} RFC_TYPE_ELEMENT;

/* Called by the library with the failing operation's name; never returns. */
typedef void(RFC_ENTRY* RFC_ERROR_HANDLER)(char* operation);
/* The size is an unsigned long: 4 bytes on 64-bit Windows, so no size_t. */
typedef void*(RFC_ENTRY* RFC_ALLOCATE)(void* old, unsigned long size);

typedef struct {
  RFC_ERROR_HANDLER errorhandler;
  RFC_ALLOCATE allocate;
} RFC_ENV;

RFC_EXPORT void RFC_ENTRY RfcEnvironment(RFC_ENV* environment);
RFC_EXPORT RFC_HANDLE RFC_ENTRY RfcOpen(RFC_OPTIONS* options);
RFC_EXPORT RFC_HANDLE RFC_ENTRY RfcOpenEx(const char* connect_parameters, RFC_ERROR_INFO_EX* error_info);
RFC_EXPORT void RFC_ENTRY RfcClose(RFC_HANDLE handle);
RFC_EXPORT int RFC_ENTRY RfcLastError(RFC_ERROR_INFO* error_info);
RFC_EXPORT RFC_RC RFC_ENTRY RfcInstallStructure(const char* name, RFC_TYPE_ELEMENT* elements,
                                                unsigned entries, RFC_TYPEHANDLE* type_handle);
RFC_EXPORT RFC_RC RFC_ENTRY RfcCall(RFC_HANDLE handle, const char* function, RFC_PARAMETER* parameters,
                                    RFC_TABLE* tables);
RFC_EXPORT RFC_RC RFC_ENTRY RfcReceive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables,
                                       char** exception);
RFC_EXPORT ITAB_H RFC_ENTRY ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo);
RFC_EXPORT unsigned RFC_ENTRY ItFill(ITAB_H table);
RFC_EXPORT void* RFC_ENTRY ItGetLine(ITAB_H table, unsigned line);
RFC_EXPORT int RFC_ENTRY ItDelete(ITAB_H table);

#ifdef __cplusplus
}

/* The layouts of the vendor's header (no packing directive), as compiled for
 * i686 and x86_64 Windows. A mistake here would be made on both sides of the
 * stand-in and never show, so the facts are checked where they are used. */
#include <cstddef>
#include <cstdint>
#if UINTPTR_MAX == 0xFFFFFFFFu
#define QUILLAR_RFC_LAYOUT(i686, x86_64) (i686)
#else
#define QUILLAR_RFC_LAYOUT(i686, x86_64) (x86_64)
#endif
#define QUILLAR_RFC_SIZE(type, size32, align32, size64, align64)                   \
  static_assert(sizeof(type) == QUILLAR_RFC_LAYOUT(size32, size64), #type " size"); \
  static_assert(alignof(type) == QUILLAR_RFC_LAYOUT(align32, align64), #type " alignment")
#define QUILLAR_RFC_OFFSET(type, field, at32, at64) \
  static_assert(offsetof(type, field) == QUILLAR_RFC_LAYOUT(at32, at64), #type "." #field)

QUILLAR_RFC_SIZE(RFC_OPTIONS, 32, 4, 64, 8);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, destination, 0, 0);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, mode, 4, 8);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, connopt, 8, 16);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, client, 12, 24);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, user, 16, 32);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, password, 20, 40);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, language, 24, 48);
QUILLAR_RFC_OFFSET(RFC_OPTIONS, trace, 28, 56);

QUILLAR_RFC_SIZE(RFC_CONNOPT_R3, 16, 4, 32, 8);
QUILLAR_RFC_OFFSET(RFC_CONNOPT_R3, hostname, 0, 0);
QUILLAR_RFC_OFFSET(RFC_CONNOPT_R3, sysnr, 4, 8);
QUILLAR_RFC_OFFSET(RFC_CONNOPT_R3, gateway_host, 8, 16);
QUILLAR_RFC_OFFSET(RFC_CONNOPT_R3, gateway_service, 12, 24);

QUILLAR_RFC_SIZE(RFC_CONNOPT_CPIC, 8, 4, 16, 8);
QUILLAR_RFC_OFFSET(RFC_CONNOPT_CPIC, gateway_host, 0, 0);
QUILLAR_RFC_OFFSET(RFC_CONNOPT_CPIC, gateway_service, 4, 8);

QUILLAR_RFC_SIZE(RFC_ERROR_INFO, 545, 1, 545, 1);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO, key, 0, 0);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO, status, 33, 33);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO, message, 161, 161);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO, intstat, 417, 417);

QUILLAR_RFC_SIZE(RFC_ERROR_INFO_EX, 552, 4, 552, 4);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO_EX, group, 0, 0);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO_EX, key, 4, 4);
QUILLAR_RFC_OFFSET(RFC_ERROR_INFO_EX, message, 37, 37);

QUILLAR_RFC_SIZE(RFC_PARAMETER, 20, 4, 32, 8);
QUILLAR_RFC_OFFSET(RFC_PARAMETER, name, 0, 0);
QUILLAR_RFC_OFFSET(RFC_PARAMETER, nlen, 4, 8);
QUILLAR_RFC_OFFSET(RFC_PARAMETER, type, 8, 12);
QUILLAR_RFC_OFFSET(RFC_PARAMETER, leng, 12, 16);
QUILLAR_RFC_OFFSET(RFC_PARAMETER, addr, 16, 24);

QUILLAR_RFC_SIZE(RFC_TABLE, 28, 4, 40, 8);
QUILLAR_RFC_OFFSET(RFC_TABLE, name, 0, 0);
QUILLAR_RFC_OFFSET(RFC_TABLE, nlen, 4, 8);
QUILLAR_RFC_OFFSET(RFC_TABLE, type, 8, 12);
QUILLAR_RFC_OFFSET(RFC_TABLE, leng, 12, 16);
QUILLAR_RFC_OFFSET(RFC_TABLE, ithandle, 16, 24);
QUILLAR_RFC_OFFSET(RFC_TABLE, itmode, 20, 32);
QUILLAR_RFC_OFFSET(RFC_TABLE, newitab, 24, 36);

QUILLAR_RFC_SIZE(RFC_TYPE_ELEMENT, 20, 4, 24, 8);
QUILLAR_RFC_OFFSET(RFC_TYPE_ELEMENT, name, 0, 0);
QUILLAR_RFC_OFFSET(RFC_TYPE_ELEMENT, type, 4, 8);
QUILLAR_RFC_OFFSET(RFC_TYPE_ELEMENT, length, 8, 12);
QUILLAR_RFC_OFFSET(RFC_TYPE_ELEMENT, decimals, 12, 16);
QUILLAR_RFC_OFFSET(RFC_TYPE_ELEMENT, offset, 16, 20);

QUILLAR_RFC_SIZE(RFC_ENV, 8, 4, 16, 8);
QUILLAR_RFC_OFFSET(RFC_ENV, errorhandler, 0, 0);
QUILLAR_RFC_OFFSET(RFC_ENV, allocate, 4, 8);

static_assert(sizeof(RFC_HANDLE) == 4 && static_cast<RFC_HANDLE>(-1) > 0, "RFC_HANDLE: 4 bytes, unsigned");
static_assert(sizeof(RFC_TYPEHANDLE) == 4 && static_cast<RFC_TYPEHANDLE>(-1) > 0, "RFC_TYPEHANDLE");
static_assert(sizeof(ITAB_H) == sizeof(void*), "ITAB_H is a pointer");

#undef QUILLAR_RFC_OFFSET
#undef QUILLAR_RFC_SIZE
#undef QUILLAR_RFC_LAYOUT
#endif /* __cplusplus */

#endif /* QUILLAR_RFC_RFC_LIBRARY_H_ */
