/* Identifiers of the chip library's resources; read by the resource compiler and by C++. */
#ifndef VORPEX_RESOURCE_IDS_H
#define VORPEX_RESOURCE_IDS_H

#define IDS_TITLE_UPLOADING 3000
#define IDS_TITLE_DOWNLOADING 3001
#define IDS_TITLE_BOOT_UPGRADE 3015
#define IDS_TITLE_CODEC_UPGRADE 3016
#define IDS_TITLE_BOOT_ERASING 3017
#define IDS_TITLE_CODEC_ERASING 3018

#endif
