/* Identifiers of the chip library's resources; read by the resource compiler and by C++. */
#ifndef VORPEX_RESOURCE_IDS_H
#define VORPEX_RESOURCE_IDS_H

#define IDS_TITLE_UPLOADING 3000
#define IDS_TITLE_DOWNLOADING 3001
#define IDS_TITLE_BOOT_UPGRADE 3015
#define IDS_TITLE_CODEC_UPGRADE 3016
#define IDS_TITLE_BOOT_ERASING 3017
#define IDS_TITLE_CODEC_ERASING 3018
/* The delete window's caption is loaded from this string when the table has it; the table
 * as shipped does not, and the template's caption stays. */
#define IDS_DELETE_CAPTION 144

/* Dialog templates. */
#define IDD_PROGRESS 1009
#define IDD_FORMAT 101
#define IDD_DELETE 144

/* Controls of the progress window. The Cancel button is IDCANCEL (2), which Escape sends too. */
#define IDC_PROGRESS_CANCEL 2
#define IDC_PROGRESS_PAUSE 1001
#define IDC_PROGRESS_SPEED 1002
#define IDC_PROGRESS_BAR 1003
#define IDC_PROGRESS_PERCENT 1004
#define IDC_PROGRESS_STATUS 1005
#define IDC_PROGRESS_INDEX 1006
/* Controls of the delete window. */
#define IDC_DELETE_CANCEL 2
#define IDC_DELETE_INDEX 1000
#define IDC_DELETE_FILENAME 1017

/* Fixed texts of the format and delete windows; hosts that draw these windows get the same. */
#define TEXT_FORMAT_CAPTION "Format"
#define TEXT_FORMAT_MESSAGE "Formating..."
#define TEXT_DELETE_CAPTION "Deleting..."

#endif
