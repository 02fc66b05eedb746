/* Every status code the library returns, by name, grouped by the part of the
 * library that returns it, each with its meaning. 0 is success. The program
 * message printing family returns the message layer's codes; the time
 * functions return -1 rather than a status code. */
#ifndef ZEL_STATUS_H
#define ZEL_STATUS_H

/* One line per code, its meaning beside it: kept as written. */
/* clang-format off */

/* Message layer: compiled tables and text lookup (component bas). */
#define ZEL_S_MSG_NO_MEMORY 0x10652203u       /* the message layer could not allocate memory */
#define ZEL_S_MSG_NOT_IN_TABLES 0x10652204u   /* the code has no message in any compiled table */
#define ZEL_S_MSG_SUCCESS 0x10652209u         /* successful completion: stands for status 0 in lookups */

/* Message catalogs and locale (component bas). */
#define ZEL_S_CAT_NO_MESSAGE 0x10652205u      /* the catalog has no such message, or catalogs are switched off */
#define ZEL_S_CAT_NOT_OPENED 0x10652206u      /* the catalog could not be opened, or its code set not created */
#define ZEL_S_CAT_NOT_PERMITTED 0x10652207u   /* the catalog could not be opened: permission denied */
#define ZEL_S_CAT_NOT_FOUND 0x10652208u       /* the catalog file or the requested locale was not found */

/* Serviceability: registration, routes, debug levels, message save,
 * dynamic routes and assertions (components bas and ivc). */
#define ZEL_S_SVC_NO_MEMORY 0x106521F4u       /* serviceability could not allocate memory */
#define ZEL_S_SVC_BAD_ROUTE_SPEC 0x106521F7u  /* a route or debug level specification is not valid, or no dynamic
                                               * route has that name */
#define ZEL_S_SVC_ROUTE_REFUSED 0x106521F8u   /* the dynamic route refused the record or has been removed */
#define ZEL_S_SVC_CALLBACKS_NOT_REGISTERED 0x106521F9u /* the callbacks to remove are not registered */
#define ZEL_S_INTERNAL_CHECK_FAILED 0x106521FAu /* an assertion failed (its text names the expression, file and
                                                 * line), or a catalog open mode was outside 0..4 */
#define ZEL_S_SVC_SAVE_BAD_ARGUMENTS 0x1065220Au /* message saving was called with invalid arguments */
#define ZEL_S_SVC_LOCK_FAILED 0x1354A1C8u     /* a lock could not be obtained */

/* Run-time utilities: memory, system routines, configuration (component qpc). */
#define ZEL_S_SSL_CALL_FAILED 0x3665A096u     /* KVXSC0150E an SSL toolkit call failed (names the call and error) */
#define ZEL_S_NO_MEMORY 0x3665A097u           /* KVXSC0151E memory could not be allocated */
#define ZEL_S_NO_MORE_ENTRIES 0x3665A098u     /* KVXSC0152E no more entries were found in the list */
#define ZEL_S_DATA_NOT_AVAILABLE 0x3665A099u  /* KVXSC0153E the requested data is not available */
#define ZEL_S_ACCESS_DENIED 0x3665A09Au       /* KVXSC0154E access is denied */
#define ZEL_S_SYSTEM_INPUT_INVALID 0x3665A09Bu /* KVXSC0155E input data to a system routine is invalid */
#define ZEL_S_SYSTEM_ROUTINE_ERROR 0x3665A09Cu /* KVXSC0156E a system routine failed (names it and its error code) */
#define ZEL_S_SYSTEM_ROUTINE_FAILED 0x3665A09Du /* KVXSC0157E a system routine failed */
#define ZEL_S_CONFIG_DATA_MISSING 0x3665A09Eu /* KVXSC0158E expected configuration data is not in the file */
#define ZEL_S_CONFIG_PARAM_REQUIRED 0x3665A09Fu /* KVXSC0159E a stanza requires a configuration parameter */
#define ZEL_S_CONFIG_DATA_INVALID 0x3665A0A0u /* KVXSC0160E the supplied configuration data was not valid */

/* Stanza configuration files (component qpc). */
#define ZEL_S_STZ_LOCK_FAILED 0x3665A0A1u     /* KVXSC0161E the file could not be locked (system error code) */
#define ZEL_S_STZ_FILE_OPEN_ERROR 0x3665A0A2u /* KVXSC0162E a file could not be opened (names it and the error) */
#define ZEL_S_STZ_TO_UNICODE_FAILED 0x3665A0A3u /* KVXSC0163E a multi-byte string could not become Unicode */
#define ZEL_S_STZ_NO_CLOSING_BRACKET 0x3665A0A4u /* KVXSC0164E a stanza name has no terminating bracket */
#define ZEL_S_STZ_FROM_UNICODE_FAILED 0x3665A0A5u /* KVXSC0165E a Unicode string could not become multi-byte */
#define ZEL_S_STZ_NO_SEPARATOR 0x3665A0A6u    /* KVXSC0166E an entry line has no separator between name and value */
#define ZEL_S_STZ_BAD_ARGUMENT 0x3665A0A7u    /* KVXSC0167E an invalid argument was passed to stanza processing */
#define ZEL_S_STZ_OPEN_FAILED 0x3665A0A8u     /* KVXSC0168E the configuration file could not be opened */
#define ZEL_S_STZ_WOULD_BLOCK 0x3665A0A9u     /* KVXSC0169E the operation would block when asked not to */
#define ZEL_S_STZ_NOT_OPEN 0x3665A0AAu        /* KVXSC0170E the configuration file is not open */
#define ZEL_S_STZ_BAD_FORMAT 0x3665A0ABu      /* KVXSC0171E the stanza file is incorrectly formatted */
#define ZEL_S_STZ_INTERNAL_ERROR 0x3665A0ACu  /* KVXSC0172E an internal error occurred in stanza processing */
#define ZEL_S_STZ_UPDATE_FAILED 0x3665A0ADu   /* KVXSC0173E text in the configuration file could not be updated */
#define ZEL_S_STZ_READ_ONLY 0x3665A0AEu       /* KVXSC0174E the file was opened read-only and cannot be updated */
#define ZEL_S_STZ_READ_FAILED 0x3665A0AFu     /* KVXSC0175E the configuration file could not be read */

/* Numbers and random bytes (component qpc). */
#define ZEL_S_NUMBER_INVALID 0x3665A0B0u      /* KVXSC0176E an invalid number was supplied */
#define ZEL_S_NUMBER_TOO_LARGE 0x3665A0B1u    /* KVXSC0177E the number supplied is too large */
#define ZEL_S_QCK_FAILED 0x3665A0B2u          /* KVXSC0178E a QCK toolkit failure occurred */
#define ZEL_S_QCK_CALL_ERROR 0x3665A0B3u      /* KVXSC0179E a QCK toolkit call failed (names the call and error) */
#define ZEL_S_QCK_CALL_FAILED 0x3665A0B4u     /* KVXSC0180E a QCK toolkit call failed, no further details */

/* Command line and files (component qpd). */
#define ZEL_S_CMDLINE_BAD_OPTION 0x3665B137u  /* KVXSD0311E a command line option was not of the correct format */
#define ZEL_S_FILE_OPEN_FAILED 0x3665B138u    /* KVXSD0312E the specified file could not be opened */

/* Identifiers and network addresses (components lib and rpc). */
#define ZEL_S_NO_NETWORK_ADDRESS 0x1460101Eu  /* no network address was found and the address file is unreadable */
#define ZEL_S_BAD_ADDRESS_FILE 0x1460101Fu    /* the address file does not start with 12 hexadecimal digits */
#define ZEL_S_UUID_BAD_VARIANT 0x16C9A088u    /* the identifier has an invalid variant */
#define ZEL_S_UUID_NO_ADDRESS 0x16C9A08Bu     /* no identifier: no network address of this host was found */
#define ZEL_S_UUID_BAD_TEXT 0x16C9A08Fu       /* the text is not a valid identifier */
#define ZEL_S_UUID_NO_MEMORY 0x16C9A090u      /* the identifier's text could not be allocated */

/* clang-format on */

#endif
