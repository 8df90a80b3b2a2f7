/* The extension and filter interface by which a web server loads the program as a library:
   the structures, status codes and notification types under their interface names.  C, so a
   host of any language can use it. */
#ifndef QN_ISAPI_H
#define QN_ISAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ISAPI_DWORD;
typedef int32_t ISAPI_BOOL;
typedef void* HCONN;

#define HSE_VERSION_MAJOR 2
#define HSE_VERSION_MINOR 0
#define HSE_MAX_EXT_DLL_NAME_LEN 256
#define HSE_LOG_BUFFER_LEN 80

#define HSE_STATUS_SUCCESS 1
#define HSE_STATUS_SUCCESS_AND_KEEP_CONN 2
#define HSE_STATUS_PENDING 3
#define HSE_STATUS_ERROR 4

#define HSE_REQ_SEND_URL_REDIRECT_RESP 1
#define HSE_REQ_SEND_URL 2
#define HSE_REQ_SEND_RESPONSE_HEADER 3
#define HSE_REQ_DONE_WITH_SESSION 4

typedef struct _HSE_VERSION_INFO {
  ISAPI_DWORD dwExtensionVersion;
  char lpszExtensionDesc[HSE_MAX_EXT_DLL_NAME_LEN];
} HSE_VERSION_INFO;

typedef struct _EXTENSION_CONTROL_BLOCK {
  ISAPI_DWORD cbSize;
  ISAPI_DWORD dwVersion;
  HCONN ConnID;
  ISAPI_DWORD dwHttpStatusCode;
  char lpszLogData[HSE_LOG_BUFFER_LEN];
  char* lpszMethod;
  char* lpszQueryString;
  char* lpszPathInfo;
  char* lpszPathTranslated;
  ISAPI_DWORD cbTotalBytes;
  ISAPI_DWORD cbAvailable;
  unsigned char* lpbData;
  char* lpszContentType;
  ISAPI_BOOL (*GetServerVariable)(HCONN hConn, char* lpszVariableName, void* lpvBuffer, ISAPI_DWORD* lpdwSize);
  ISAPI_BOOL (*WriteClient)(HCONN ConnID, void* Buffer, ISAPI_DWORD* lpdwBytes, ISAPI_DWORD dwReserved);
  ISAPI_BOOL (*ReadClient)(HCONN ConnID, void* lpvBuffer, ISAPI_DWORD* lpdwSize);
  ISAPI_BOOL (*ServerSupportFunction)(HCONN hConn, ISAPI_DWORD dwHSERequest, void* lpvBuffer,
                                      ISAPI_DWORD* lpdwSize, ISAPI_DWORD* lpdwDataType);
} EXTENSION_CONTROL_BLOCK;

#define SF_MAX_FILTER_DESC_LEN 257

#define SF_STATUS_REQ_FINISHED 0x8000000
#define SF_STATUS_REQ_FINISHED_KEEP_CONN 0x8000001
#define SF_STATUS_REQ_NEXT_NOTIFICATION 0x8000002
#define SF_STATUS_REQ_HANDLED_NOTIFICATION 0x8000003
#define SF_STATUS_REQ_ERROR 0x8000004
#define SF_STATUS_REQ_READ_NEXT 0x8000005

#define SF_NOTIFY_SECURE_PORT 0x00000001
#define SF_NOTIFY_NONSECURE_PORT 0x00000002
#define SF_NOTIFY_READ_RAW_DATA 0x00008000
#define SF_NOTIFY_PREPROC_HEADERS 0x00004000
#define SF_NOTIFY_AUTHENTICATION 0x00002000
#define SF_NOTIFY_URL_MAP 0x00001000
#define SF_NOTIFY_ACCESS_DENIED 0x00000800
#define SF_NOTIFY_SEND_RAW_DATA 0x00000400
#define SF_NOTIFY_LOG 0x00000200
#define SF_NOTIFY_END_OF_NET_SESSION 0x00000100
#define SF_NOTIFY_END_OF_REQUEST 0x00000080

typedef struct _HTTP_FILTER_VERSION {
  ISAPI_DWORD dwServerFilterVersion;
  ISAPI_DWORD dwFilterVersion;
  char lpszFilterDesc[SF_MAX_FILTER_DESC_LEN];
  ISAPI_DWORD dwFlags;
} HTTP_FILTER_VERSION;

typedef struct _HTTP_FILTER_CONTEXT HTTP_FILTER_CONTEXT;
struct _HTTP_FILTER_CONTEXT {
  ISAPI_DWORD cbSize;
  ISAPI_DWORD Revision;
  void* ServerContext;
  ISAPI_DWORD ulReserved;
  ISAPI_BOOL fIsSecurePort;
  void* pFilterContext;
  ISAPI_BOOL (*GetServerVariable)(HTTP_FILTER_CONTEXT* pfc, char* lpszVariableName, void* lpvBuffer,
                                  ISAPI_DWORD* lpdwSize);
  ISAPI_BOOL (*AddResponseHeaders)(HTTP_FILTER_CONTEXT* pfc, char* lpszHeaders, ISAPI_DWORD dwReserved);
  ISAPI_BOOL (*WriteClient)(HTTP_FILTER_CONTEXT* pfc, void* Buffer, ISAPI_DWORD* lpdwBytes, ISAPI_DWORD dwReserved);
  void* (*AllocMem)(HTTP_FILTER_CONTEXT* pfc, ISAPI_DWORD cbSize, ISAPI_DWORD dwReserved);
  ISAPI_BOOL (*ServerSupportFunction)(HTTP_FILTER_CONTEXT* pfc, ISAPI_DWORD sfReq, void* pData,
                                      ISAPI_DWORD ul1, ISAPI_DWORD ul2);
};

/* The data of a raw-data notification. */
typedef struct _HTTP_FILTER_RAW_DATA {
  void* pvInData;
  ISAPI_DWORD cbInData;
  ISAPI_DWORD cbInBuffer;
  ISAPI_DWORD dwReserved;
} HTTP_FILTER_RAW_DATA;

/* The five exports of the library. */
ISAPI_BOOL GetExtensionVersion(HSE_VERSION_INFO* pVer);
ISAPI_DWORD HttpExtensionProc(EXTENSION_CONTROL_BLOCK* pECB);
ISAPI_BOOL TerminateExtension(ISAPI_DWORD dwFlags);
ISAPI_BOOL GetFilterVersion(HTTP_FILTER_VERSION* pVer);
ISAPI_DWORD HttpFilterProc(HTTP_FILTER_CONTEXT* pfc, ISAPI_DWORD NotificationType, void* pvNotification);

#ifdef __cplusplus
}
#endif

#endif
