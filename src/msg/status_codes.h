// Status codes that the message layer and serviceability return. Their texts
// live in the message layer's own catalog.
#ifndef ZEL_SRC_MSG_STATUS_CODES_H
#define ZEL_SRC_MSG_STATUS_CODES_H

#include <zel/base.h>

namespace zel {

constexpr unsigned32 kSvcNoMemory = 0x106521F4;
constexpr unsigned32 kSvcBadSpec = 0x106521F7;
constexpr unsigned32 kSvcRouteRefused = 0x106521F8;
constexpr unsigned32 kSvcCallbacksNotRegistered = 0x106521F9;
constexpr unsigned32 kInternalCheckFailed = 0x106521FA;
constexpr unsigned32 kMsgNoMemory = 0x10652203;
constexpr unsigned32 kMsgNotInTables = 0x10652204;
constexpr unsigned32 kMsgNotInCatalog = 0x10652205;
constexpr unsigned32 kMsgCatalogNotOpened = 0x10652206;
constexpr unsigned32 kMsgCatalogNotPermitted = 0x10652207;
constexpr unsigned32 kMsgCatalogNotFound = 0x10652208;
constexpr unsigned32 kMsgSuccess = 0x10652209;  // stands for status 0 in lookups
constexpr unsigned32 kMsgSaveBadArguments = 0x1065220A;

// Codes of component qpc that the library's utilities raise.
constexpr unsigned32 kQpcNoMemory = 0x3665A097;
constexpr unsigned32 kQpcSystemRoutineFailed = 0x3665A09C;

inline void set_status(unsigned32 *status, unsigned32 value) {
    if (status) *status = value;
}

}  // namespace zel

#endif
