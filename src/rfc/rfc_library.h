/* The SAP classic RFC library (librfc32) as the sensor uses it: the
 * operations and types it calls, with their published names and layouts, so
 * that the sensor builds against the vendor's library as well as against the
 * stand-in in rfcsim/. The sensor's code includes no other RFC header. */
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
#elif defined(_WIN32)
#define RFC_EXPORT __declspec(dllimport)
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
typedef void*(RFC_ENTRY* RFC_ALLOCATE)(void* old, size_t size);

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
#endif

#endif /* QUILLAR_RFC_RFC_LIBRARY_H_ */
