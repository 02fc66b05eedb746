/* Types and the export macro shared by every public header of libzel. */
#ifndef ZEL_BASE_H
#define ZEL_BASE_H

#include <stdint.h>

#ifdef __cplusplus
#define ZEL_EXTERN_C extern "C"
#define ZEL_BEGIN_C extern "C" {
#define ZEL_END_C }
#else
#define ZEL_EXTERN_C
#define ZEL_BEGIN_C
#define ZEL_END_C
#endif

/* Marks a name as part of the library's interface; everything else is hidden. */
#define ZEL_EXPORT __attribute__((visibility("default")))

typedef uint32_t unsigned32;
typedef int32_t signed32;

#endif
