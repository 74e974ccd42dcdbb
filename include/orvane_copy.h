/* Whole-file copies with progress and cancel: an addition of this implementation, not part of
 * the library's original interface. They move the data themselves, chunk by chunk, as
 * Usb_DownloadIndexFile and Usb_UploadIndexFile do, and ask the caller between chunks. */
#ifndef ORVANE_COPY_H
#define ORVANE_COPY_H

#include "ORVANEUsbDll.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called before each chunk with the bytes moved so far (0 before the first) and once more when
 * all `total` bytes have moved (only that call for an empty file). Nonzero before a chunk
 * cancels the copy: the player drops the transfer and the copy fails with error 11; the last
 * call's answer no longer changes anything. */
typedef int32_t(ORVANE_CC* OrvaneProgress)(void* context, uint32_t done, uint32_t total);

/* Copies `path` to memory area `area` (0 "M", 1 "S") under its short name: 1, or 0 with the
 * error in VORPEX_GetError. `progress` may be null. */
ORVANE_API int32_t OrvaneCopy_ToPlayer(int32_t area, const char* path, OrvaneProgress progress,
                                       void* context);
/* Copies entry `index` of `size` bytes of area `area` into `path`, which changes only when every
 * byte has arrived: 1, or 0 with the error in VORPEX_GetError. `progress` may be null. */
ORVANE_API int32_t OrvaneCopy_FromPlayer(int32_t area, int32_t index, const char* path,
                                         uint32_t size, OrvaneProgress progress, void* context);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_COPY_H */
